#pragma once

#include <QLineEdit>

namespace dataset {

class DataSource;
class Field;
class FieldDataLink;

// A line edit bound to one field: shows the current row's value, follows the cursor,
// puts the query into editing on typing and stores the text in the field as it is typed
// (numbers once they read as numbers) and when the focus leaves. Read-only while the
// query is closed or not live.
class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);

    void SetDataSource(DataSource *source);
    DataSource *GetDataSource() const;
    void SetDataField(const QString &fieldName);
    QString DataField() const;
    Field *GetField() const;

protected:
    // The text shown for the field: the edit text while the control has the focus,
    // the display text otherwise.
    virtual QString ShownText(const Field &field, bool focused) const;
    void keyPressEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    void Reload();
    void UpdateReadOnly();
    void OnTextEdited(const QString &text);

    FieldDataLink *m_link;
    bool m_loading = false;
};

} // namespace dataset
