#include "FieldText.h"

#include <dataset/Error.h>
#include <dataset/Field.h>
#include <dataset/Query.h>

#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>

namespace dataset {

QString FormatDateText(const QDateTime &value, bool withTime)
{
    if (!value.isValid())
        return {};
    return value.toString(withTime ? QStringLiteral("dd.MM.yyyy HH:mm") : QStringLiteral("dd.MM.yyyy"));
}

std::optional<QDateTime> ParseDateText(const QString &text, bool withTime)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QDateTime();
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{1,2})[./-](\d{1,2})[./-](\d{2}|\d{4})\.?(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?$)"));
    const QRegularExpressionMatch m = pattern.match(trimmed);
    if (!m.hasMatch())
        return std::nullopt;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 50 ? 2000 : 1900;
    const QDate date(year, m.captured(2).toInt(), m.captured(1).toInt());
    if (!date.isValid())
        return std::nullopt;
    QTime time(0, 0);
    if (!m.captured(4).isEmpty()) {
        if (!withTime)
            return std::nullopt;
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid())
            return std::nullopt;
    }
    return QDateTime(date, time);
}

namespace detail {

bool IsTextField(const Field &field)
{
    return field.DataType() == FieldType::String || field.DataType() == FieldType::Memo;
}

bool IsDateField(const Field &field)
{
    return field.DataType() == FieldType::Date || field.DataType() == FieldType::DateTime;
}

QString EditText(const Field &field)
{
    if (!field.OnGetText && IsDateField(field))
        return FormatDateText(field.AsDateTime(), field.DataType() == FieldType::DateTime);
    return field.EditText();
}

static bool NumberComplete(const QString &text, bool integer)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    if (integer)
        t.toLongLong(&ok);
    else
        QLocale::c().toDouble(t, &ok);
    return ok;
}

bool TextComplete(const Field &field, const QString &text)
{
    if (IsTextField(field))
        return true;
    if (text.trimmed().isEmpty())
        return true;
    switch (field.DataType()) {
    case FieldType::Key:
    case FieldType::Integer:
    case FieldType::SmallInt:
        return NumberComplete(text, true);
    case FieldType::Real:
        return NumberComplete(text, false);
    case FieldType::Date:
    case FieldType::DateTime:
        return ParseDateText(text, field.DataType() == FieldType::DateTime).has_value();
    default:
        return false;
    }
}

void WriteText(Field &field, const QString &text)
{
    if (IsTextField(field)) {
        field.SetAsString(text);
        return;
    }
    if (text.trimmed().isEmpty()) {
        field.Clear();
        return;
    }
    if (IsDateField(field)) {
        const auto value = ParseDateText(text, field.DataType() == FieldType::DateTime);
        if (!value)
            throw Error(QStringLiteral("'%1' nije ispravan datum za polje '%2' (očekuje se dd.mm.gggg).")
                            .arg(text, field.DisplayLabel()));
        if (field.DataType() == FieldType::Date)
            field.SetAsDate(value->date());
        else
            field.SetAsDateTime(*value);
        return;
    }
    if ((field.DataType() == FieldType::Real || field.DataType() == FieldType::Integer
         || field.DataType() == FieldType::SmallInt || field.DataType() == FieldType::Key)
        && !TextComplete(field, text))
        throw Error(QStringLiteral("'%1' nije ispravan broj za polje '%2'.").arg(text, field.DisplayLabel()));
    QString normalized = text.trimmed();
    if (field.DataType() == FieldType::Real)
        normalized.replace(QLatin1Char(','), QLatin1Char('.'));
    field.SetAsString(normalized);
}

void CheckBrowseMode(Query &query)
{
    if (!query.IsEditing())
        return;
    if (!query.Modified())
        query.Cancel();
    else
        query.Post();
}

int LeaveRow(Query &query, int target)
{
    if (!query.IsEditing())
        return target;
    const bool dropsRow = query.State() == DataSetState::Insert && !query.Modified();
    const int current = query.RecNo() - 1;
    CheckBrowseMode(query);
    return dropsRow && target > current ? target - 1 : target;
}

bool ConfirmDelete(QWidget *parent, const std::function<bool()> &handler)
{
    if (handler)
        return handler();
    return QMessageBox::question(parent, QStringLiteral("Potvrda"), QStringLiteral("Obrisati zapis?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

} // namespace detail
} // namespace dataset
