#pragma once

#include "DataAwareControl.h"

#include <QComboBox>

namespace dataset {

// An editable drop-down bound to one text field. The form fills the list; the text is
// the field's value, and values that are not in the list are accepted.
class DBComboBox : public QComboBox, public DataAwareControl {
    Q_OBJECT
public:
    explicit DBComboBox(QWidget *parent = nullptr);

    void SetItems(const QStringList &items);
    QStringList Items() const;

private:
    void ShowField() override;
    void UpdateReadOnly() override;
    void Store(const QString &text);
};

} // namespace dataset
