#pragma once

#include <QScopedValueRollback>
#include <QString>

class QKeyEvent;
class QLineEdit;
class QObject;

namespace dataset {

class DataSource;
class Field;
class FieldDataLink;

// What every control bound to one field shares: the link and its accessors, the reload
// that is skipped while the control writes the field itself, and the checks before a key
// changes the text. A control derives from its Qt widget first and from this second.
class DataAwareControl {
public:
    void SetDataSource(DataSource *source);
    DataSource *GetDataSource() const;
    void SetDataField(const QString &fieldName);
    QString GetDataField() const;
    Field *GetField() const; // nullptr when the query is closed or lacks the field

protected:
    // 'control' is the widget itself: it owns the link and receives its signals.
    explicit DataAwareControl(QObject *control);
    ~DataAwareControl();
    DataAwareControl(const DataAwareControl &) = delete;
    DataAwareControl &operator=(const DataAwareControl &) = delete;

    // Puts the field's value into the control; not called while the control writes.
    virtual void ShowField() = 0;
    // The query opened, closed or changed state: the control may become read-only.
    virtual void UpdateReadOnly() = 0;

    FieldDataLink &Link() const { return *m_link; }
    void Reload();
    bool Loading() const { return m_loading; }
    // Marks the control as writing the field until the scope ends: the reloads the
    // write causes are skipped, and the control's own change signals ignored.
    [[nodiscard]] QScopedValueRollback<bool> WritingScope() { return QScopedValueRollback<bool>(m_loading, true); }
    // Stores an edited text in the field; an error is reported from an event of its own.
    void WriteText(Field &field, const QString &text);

    // A line edit follows the field: read-only unless it can be modified, no longer than
    // a string field.
    void FollowField(QLineEdit &edit) const;
    // Typing, deleting, pasting or cutting.
    static bool TypesText(const QKeyEvent *e);
    // A key that would change the text first puts the query into editing; false (and the
    // key ignored) when the field cannot be modified.
    bool StartEditFor(QKeyEvent *e, bool changesText);

private:
    FieldDataLink *m_link; // a child of the control
    bool m_loading = false;
};

} // namespace dataset
