#pragma once

#include <QComboBox>

namespace dataset {

class DataSource;
class Field;
class FieldDataLink;

// An editable drop-down bound to one text field. The form fills the list; the text is
// the field's value, and values that are not in the list are accepted.
class DBComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DBComboBox(QWidget *parent = nullptr);

    void SetDataSource(DataSource *source);
    DataSource *GetDataSource() const;
    void SetDataField(const QString &fieldName);
    QString DataField() const;
    Field *GetField() const;

    void SetItems(const QStringList &items);
    QStringList Items() const;

private:
    void Reload();
    void UpdateReadOnly();
    void Store(const QString &text);

    FieldDataLink *m_link;
    bool m_loading = false;
};

} // namespace dataset
