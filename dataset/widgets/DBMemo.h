#pragma once

#include <QPlainTextEdit>

namespace dataset {

class DataSource;
class Field;
class FieldDataLink;

// A multi-line text bound to one text or memo field; typing puts the query into editing
// and stores the text in the field.
class DBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DBMemo(QWidget *parent = nullptr);

    void SetDataSource(DataSource *source);
    DataSource *GetDataSource() const;
    void SetDataField(const QString &fieldName);
    QString DataField() const;

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    void Reload();
    void Store();

    FieldDataLink *m_link;
    bool m_loading = false;
};

} // namespace dataset
