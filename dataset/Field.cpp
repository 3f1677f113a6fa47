#include "Field.h"

#include "FieldValue.h"
#include "Query.h"
#include "QueryPrivate.h"

#include <routines/FormatFloat.h>

namespace dataset {

Field::Field(Query &query, int index, FieldDef def) : m_query(query), m_index(index), m_def(std::move(def)) {}

int Field::Size() const
{
    if (m_def.type == FieldType::String)
        return m_def.size > 0 ? m_def.size : 20;
    return m_def.size;
}

QString Field::DisplayLabel() const
{
    return m_def.displayLabel.isEmpty() ? m_def.name : m_def.displayLabel;
}

bool Field::IsNull() const
{
    const Query::Private &d = *m_query.d;
    return d.isNull(d.readRow(), m_index);
}

QVariant Field::Value() const
{
    const Query::Private &d = *m_query.d;
    return d.value(d.readRow(), m_index);
}

QString Field::AsString() const
{
    return detail::TextOf(m_def.type, Value());
}

int Field::AsInteger() const
{
    return int(AsLargeInt());
}

qint64 Field::AsLargeInt() const
{
    const QVariant value = Value();
    if (value.isNull())
        return 0;
    return detail::Coerce(FieldType::Key, 0, value, DisplayLabel()).toLongLong();
}

double Field::AsFloat() const
{
    const QVariant value = Value();
    if (value.isNull())
        return 0.0;
    return detail::Coerce(FieldType::Real, 0, value, DisplayLabel()).toDouble();
}

QDateTime Field::AsDateTime() const
{
    const QVariant value = Value();
    if (value.isNull())
        return {};
    return detail::Coerce(FieldType::DateTime, 0, value, DisplayLabel()).toDateTime();
}

QDate Field::AsDate() const
{
    return AsDateTime().date();
}

bool Field::AsBoolean() const
{
    const QVariant value = Value();
    if (value.isNull())
        return false;
    return detail::Coerce(FieldType::Boolean, 0, value, DisplayLabel()).toBool();
}

void Field::SetValue(const QVariant &value)
{
    m_query.d->setValue(*this, value);
}

void Field::SetAsString(const QString &value)
{
    SetValue(QVariant(value));
}

void Field::SetAsInteger(int value)
{
    SetValue(QVariant(value));
}

void Field::SetAsLargeInt(qint64 value)
{
    SetValue(QVariant(qlonglong(value)));
}

void Field::SetAsFloat(double value)
{
    SetValue(QVariant(value));
}

void Field::SetAsDateTime(const QDateTime &value)
{
    SetValue(value.isValid() ? QVariant(value) : QVariant());
}

void Field::SetAsDate(const QDate &value)
{
    SetValue(value.isValid() ? QVariant(value) : QVariant());
}

void Field::SetAsBoolean(bool value)
{
    SetValue(QVariant(value));
}

void Field::Clear()
{
    SetValue(QVariant());
}

QString Field::defaultText(bool displayText) const
{
    const QVariant value = Value();
    if (value.isNull())
        return QString();
    if (displayText && m_def.type == FieldType::Real && !m_def.displayFormat.isEmpty())
        return FormatFloat(m_def.displayFormat, value.toDouble());
    // Grids show dates the way the operator types them; editing keeps the stored form.
    if (displayText && m_def.type == FieldType::Date)
        return FormatDateTime(QStringLiteral("dd.mm.yyyy"), value.toDateTime());
    if (displayText && m_def.type == FieldType::DateTime)
        return FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn"), value.toDateTime());
    return detail::TextOf(m_def.type, value);
}

QString Field::DisplayText() const
{
    QString text = defaultText(true);
    if (OnGetText)
        OnGetText(const_cast<Field &>(*this), text, true);
    return text;
}

QString Field::EditText() const
{
    QString text = defaultText(false);
    if (OnGetText)
        OnGetText(const_cast<Field &>(*this), text, false);
    return text;
}

} // namespace dataset
