#pragma once

#include "DataAwareControl.h"

#include <QPlainTextEdit>

namespace dataset {

// A multi-line text bound to one text or memo field; typing puts the query into editing
// and stores the text in the field.
class DBMemo : public QPlainTextEdit, public DataAwareControl {
    Q_OBJECT
public:
    explicit DBMemo(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    void ShowField() override;
    void UpdateReadOnly() override;
    void Store();
};

} // namespace dataset
