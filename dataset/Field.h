#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>

namespace dataset {

class Query;

enum class FieldType {
    Key,        // 64-bit integer in the database
    Integer,    // 32-bit
    SmallInt,   // 16-bit
    Real,       // double
    String,     // text of at most Size characters (20 when none is declared)
    Date,
    DateTime,
    Memo,       // unlimited text
    Boolean,
};

// What the data module declares about a field before the query is opened.
// Empty / default members leave what the result's metadata says.
struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;               // String: maximum characters; 0 = 20
    bool required = false;
    QString displayLabel;       // grid header and editor caption; empty = the name
    QString displayFormat;      // "0.00", "0.###", "#,##0.00" for Real fields
    bool readOnly = false;
    bool visible = true;
};

class Field;
// Display-text handler: fills 'text' for the field; displayText is true for what a
// grid shows, false for what an editor edits.
using FieldGetTextEvent = std::function<void(Field &sender, QString &text, bool displayText)>;

// One column of a query. Values live in the query's current row; a Field reads and
// writes that row. Setting a value while the query is not editing or inserting throws.
class Field {
public:
    Field(Query &query, int index, FieldDef def);

    const QString &FieldName() const { return m_def.name; }
    FieldType DataType() const { return m_def.type; }
    int Size() const;
    int Index() const { return m_index; }
    bool Required() const { return m_def.required; }
    void SetRequired(bool required) { m_def.required = required; }
    QString DisplayLabel() const;
    void SetDisplayLabel(const QString &label) { m_def.displayLabel = label; }
    const QString &DisplayFormat() const { return m_def.displayFormat; }
    void SetDisplayFormat(const QString &format) { m_def.displayFormat = format; }
    bool ReadOnly() const { return m_def.readOnly; }
    void SetReadOnly(bool readOnly) { m_def.readOnly = readOnly; }
    bool Visible() const { return m_def.visible; }
    void SetVisible(bool visible) { m_def.visible = visible; }
    // True when the column belongs to the query's update table and is written by posts.
    bool Writable() const { return m_writable; }
    Query &DataSet() const { return m_query; }

    bool IsNull() const;
    QVariant Value() const;
    QString AsString() const;
    int AsInteger() const;          // null reads as 0
    qint64 AsLargeInt() const;
    double AsFloat() const;         // null reads as 0.0
    QDateTime AsDateTime() const;   // null (and zero dates) read as an invalid QDateTime
    QDate AsDate() const;
    bool AsBoolean() const;

    void SetValue(const QVariant &value);   // null QVariant clears
    void SetAsString(const QString &value); // cut to Size for String fields
    void SetAsInteger(int value);
    void SetAsLargeInt(qint64 value);
    void SetAsFloat(double value);
    void SetAsDateTime(const QDateTime &value);
    void SetAsDate(const QDate &value);
    void SetAsBoolean(bool value);
    void Clear();

    // Text for display: the OnGetText handler when set, else the value formatted with
    // DisplayFormat (Real) or the locale-neutral text.
    QString DisplayText() const;
    // Text an editor starts from: the OnGetText handler (displayText false) when set,
    // else the locale-neutral text, without the display format.
    QString EditText() const;
    // Filled with the default text before it runs; the handler may replace it.
    FieldGetTextEvent OnGetText;

private:
    QString defaultText(bool displayText) const;

    friend class Query;
    Query &m_query;
    int m_index;
    FieldDef m_def;
    bool m_writable = false;
};

} // namespace dataset
