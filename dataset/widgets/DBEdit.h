#pragma once

#include "DataAwareControl.h"

#include <QLineEdit>

namespace dataset {

// A line edit bound to one field: shows the current row's value, follows the cursor,
// puts the query into editing on typing and stores the text in the field as it is typed
// (numbers once they read as numbers) and when the focus leaves. Read-only while the
// query is closed or not live.
class DBEdit : public QLineEdit, public DataAwareControl {
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);

protected:
    // The text shown for the field: the edit text while the control has the focus,
    // the display text otherwise.
    virtual QString ShownText(const Field &field, bool focused) const;
    void keyPressEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    void ShowField() override;
    void UpdateReadOnly() override;
    void OnTextEdited(const QString &text);
};

} // namespace dataset
