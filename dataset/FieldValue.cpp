#include "FieldValue.h"

#include "Error.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <charconv>
#include <cmath>
#include <limits>

namespace dataset::detail {

namespace {
// The whole text, after an optional '+', must be the number.
template <typename Number>
bool readWhole(QByteArrayView text, Number &out)
{
    const char *begin = text.data();
    const char *end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto result = std::from_chars(begin, end, out);
    return result.ec == std::errc() && result.ptr == end;
}
} // namespace

// Readers shared with the sort keys.
bool readInt(QByteArrayView text, qint64 &out)
{
    if (readWhole(text, out))
        return true;
    // DECIMAL columns read as integers ("12.00") keep their whole part.
    double real = 0;
    if (!readWhole(text, real) || !std::isfinite(real))
        return false;
    out = qint64(std::llround(real));
    return true;
}

bool readDouble(QByteArrayView text, double &out)
{
    return readWhole(text, out);
}

int digits(const char *p, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

bool readDateParts(QByteArrayView text, int &year, int &month, int &day)
{
    if (text.size() < 10 || text[4] != '-' || text[7] != '-')
        return false;
    const char *p = text.data();
    year = digits(p, 4);
    month = digits(p + 5, 2);
    day = digits(p + 8, 2);
    return true;
}

bool readTimeParts(QByteArrayView text, int &hour, int &minute, int &second, int &msec)
{
    if (text.size() < 8 || text[2] != ':' || text[5] != ':')
        return false;
    const char *p = text.data();
    msec = 0;
    if (text.size() > 9 && text[8] == '.') {
        const int fraction = digits(p + 9, int(std::min<qsizetype>(3, text.size() - 9)));
        msec = fraction < 0 ? 0 : fraction;
        for (qsizetype i = text.size() - 9; i < 3; ++i)
            msec *= 10;
    }
    hour = digits(p, 2);
    minute = digits(p + 3, 2);
    second = digits(p + 6, 2);
    return true;
}

namespace {

QDate readDate(QByteArrayView text)
{
    int year = 0, month = 0, day = 0;
    return readDateParts(text, year, month, day) ? QDate(year, month, day) : QDate();
}

QTime readTime(QByteArrayView text)
{
    int hour = 0, minute = 0, second = 0, msec = 0;
    return readTimeParts(text, hour, minute, second, msec) ? QTime(hour, minute, second, msec) : QTime();
}

QDateTime readDateTime(QByteArrayView text)
{
    const QDate date = readDate(text);
    if (!date.isValid())
        return {};
    if (text.size() <= 11)
        return QDateTime(date, QTime(0, 0));
    const QTime time = readTime(text.sliced(11));
    return time.isValid() ? QDateTime(date, time) : QDateTime();
}

[[noreturn]] void invalid(const QString &label, const QVariant &value, const QString &kind)
{
    throw Error(QStringLiteral("Vrednost '%1' nije %2 za polje '%3'.")
                    .arg(value.toString(), kind, label));
}

// Dates typed by users: ISO first, then the local day.month.year forms.
QDateTime parseDateTimeText(const QString &text)
{
    const QString trimmed = text.trimmed();
    const QByteArray latin = trimmed.toLatin1();
    if (QDateTime iso = readDateTime(latin); iso.isValid())
        return iso;
    for (const char *format : {"d.M.yyyy H:m:s", "d.M.yyyy H:m", "d.M.yyyy", "d.M.yyyy.",
                               "yyyy-MM-ddTHH:mm:ss"}) {
        const QDateTime parsed = QDateTime::fromString(trimmed, QLatin1String(format));
        if (parsed.isValid())
            return parsed;
    }
    return {};
}

} // namespace

bool IsZeroDate(FieldType type, QByteArrayView text)
{
    if (type != FieldType::Date && type != FieldType::DateTime)
        return false;
    return text.startsWith("0000-00-00") || !Decode(type, text).isValid();
}

QVariant Decode(FieldType type, QByteArrayView text)
{
    switch (type) {
    case FieldType::Key: {
        qint64 value = 0;
        return readInt(text, value) ? QVariant(qlonglong(value)) : QVariant();
    }
    case FieldType::Integer:
    case FieldType::SmallInt: {
        qint64 value = 0;
        return readInt(text, value) ? QVariant(int(value)) : QVariant();
    }
    case FieldType::Real: {
        double value = 0;
        return readDouble(text, value) ? QVariant(value) : QVariant();
    }
    case FieldType::Boolean: {
        qint64 value = 0;
        if (readInt(text, value))
            return QVariant(value != 0);
        return QVariant(text.compare("true", Qt::CaseInsensitive) == 0);
    }
    case FieldType::Date: {
        const QDate date = readDate(text);
        return date.isValid() ? QVariant(date) : QVariant();
    }
    case FieldType::DateTime: {
        const QDateTime dateTime = readDateTime(text);
        return dateTime.isValid() ? QVariant(dateTime) : QVariant();
    }
    case FieldType::String:
    case FieldType::Memo:
        break;
    }
    return QVariant(QString::fromUtf8(text));
}

QByteArray Encode(FieldType type, const QVariant &value)
{
    switch (type) {
    case FieldType::Key:
    case FieldType::Integer:
    case FieldType::SmallInt:
        return QByteArray::number(value.toLongLong());
    case FieldType::Real:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest).toLatin1();
    case FieldType::Boolean:
        return value.toBool() ? QByteArray("1") : QByteArray("0");
    case FieldType::Date:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
    case FieldType::DateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
    case FieldType::String:
    case FieldType::Memo:
        break;
    }
    return value.toString().toUtf8();
}

qsizetype CharacterCount(const QString &text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    }
    return count;
}

QString CutToCharacters(const QString &text, qsizetype count)
{
    if (text.size() <= count)
        return text;   // never more characters than UTF-16 units
    qsizetype units = 0;
    for (qsizetype kept = 0; units < text.size() && kept < count; ++kept) {
        const bool pair = text.at(units).isHighSurrogate() && units + 1 < text.size()
            && text.at(units + 1).isLowSurrogate();
        units += pair ? 2 : 1;
    }
    return text.left(units);
}

QVariant Coerce(FieldType type, int size, const QVariant &value, const QString &label)
{
    if (!value.isValid() || value.isNull())
        return {};
    const int id = value.metaType().id();
    const bool isText = id == QMetaType::QString || id == QMetaType::QByteArray;
    const QString text = isText ? value.toString().trimmed() : QString();
    switch (type) {
    case FieldType::String:
    case FieldType::Memo: {
        QString string = id == QMetaType::QDateTime
            ? value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
            : value.toString();
        if (type == FieldType::String && size > 0 && string.size() > size)
            string = CutToCharacters(string, size);
        return string.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(string);
    }
    case FieldType::Key:
    case FieldType::Integer:
    case FieldType::SmallInt: {
        qint64 number = 0;
        bool ok = true;
        if (isText) {
            if (text.isEmpty())
                return {};
            const QByteArray latin = text.toLatin1();
            ok = readInt(latin, number);
        } else if (id == QMetaType::Double || id == QMetaType::Float) {
            const double real = value.toDouble();
            ok = std::isfinite(real) && std::fabs(real) < 9.2e18;
            number = ok ? qint64(std::llround(real)) : 0;
        } else {
            number = value.toLongLong(&ok);
        }
        if (!ok)
            invalid(label, value, QStringLiteral("ceo broj"));
        if (type == FieldType::Key)
            return QVariant(qlonglong(number));
        const qint64 limit = type == FieldType::SmallInt ? 32767 : std::numeric_limits<int>::max();
        if (number > limit || number < -limit - 1)
            invalid(label, value, QStringLiteral("ceo broj u dozvoljenom opsegu"));
        return QVariant(int(number));
    }
    case FieldType::Real: {
        double number = 0;
        bool ok = true;
        if (isText) {
            if (text.isEmpty())
                return {};
            QByteArray latin = text.toLatin1();
            ok = readDouble(latin, number);
            if (!ok) {
                latin.replace(',', '.');
                ok = readDouble(latin, number);
            }
        } else {
            number = value.toDouble(&ok);
        }
        if (!ok || !std::isfinite(number))
            invalid(label, value, QStringLiteral("broj"));
        return QVariant(number);
    }
    case FieldType::Boolean: {
        if (isText) {
            if (text.isEmpty())
                return {};
            const QString lower = text.toLower();
            if (lower == QLatin1String("1") || lower == QLatin1String("true") || lower == QLatin1String("da"))
                return QVariant(true);
            if (lower == QLatin1String("0") || lower == QLatin1String("false") || lower == QLatin1String("ne"))
                return QVariant(false);
            invalid(label, value, QStringLiteral("logička vrednost"));
        }
        return QVariant(value.toBool());
    }
    case FieldType::Date:
    case FieldType::DateTime: {
        QDateTime dateTime;
        if (id == QMetaType::QDateTime)
            dateTime = value.toDateTime();
        else if (id == QMetaType::QDate)
            dateTime = QDateTime(value.toDate(), QTime(0, 0));
        else if (isText && text.isEmpty())
            return {};
        else if (isText)
            dateTime = parseDateTimeText(text);
        if (!dateTime.isValid())
            invalid(label, value, QStringLiteral("ispravan datum"));
        if (type == FieldType::Date)
            return QVariant(dateTime.date());
        // Whole seconds, as DATETIME columns keep them.
        const QTime time = dateTime.time();
        return QVariant(QDateTime(dateTime.date(), QTime(time.hour(), time.minute(), time.second())));
    }
    }
    return value;
}

QString TextOf(FieldType type, const QVariant &value)
{
    if (value.isNull())
        return QString();
    switch (type) {
    case FieldType::Real:
        return QString::number(value.toDouble(), 'g', 15);
    case FieldType::Date:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case FieldType::DateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case FieldType::Boolean:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return value.toString();
    }
}

} // namespace dataset::detail
