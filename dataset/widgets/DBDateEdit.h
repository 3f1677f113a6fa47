#pragma once

#include "DBEdit.h"

namespace dataset {

// A bound edit for a date or date-time field: dd.MM.yyyy (date-time: dd.MM.yyyy HH:mm),
// empty when the field is null; the typed text is read back when it forms a whole date
// and when the focus leaves (an unreadable date is reported then).
class DBDateEdit : public DBEdit {
    Q_OBJECT
public:
    explicit DBDateEdit(QWidget *parent = nullptr);

protected:
    QString ShownText(const Field &field, bool focused) const override;
};

} // namespace dataset
