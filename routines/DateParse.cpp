#include "DateParse.h"

#include "TextFormat.h"

#include <QRegularExpression>

#include <optional>
#include <stdexcept>

namespace {

[[noreturn]] void reject(const QString &text, const char *what)
{
    throw std::runtime_error(QStringLiteral("\u201E%1\u201C nije ispravan %2.")
                                 .arg(ElidedValue(text), QString::fromUtf8(what))
                                 .toStdString());
}

std::optional<QDate> parseDate(const QString &text)
{
    static const QRegularExpression isoForm(QStringLiteral(R"(^(\d{4})([-./])(\d{1,2})\2(\d{1,2})$)"));
    static const QRegularExpression dayFirst(QStringLiteral(R"(^(\d{1,2})([-./])(\d{1,2})\2(\d{4})\.?$)"));
    int year = 0;
    int month = 0;
    int day = 0;
    if (const auto m = isoForm.match(text); m.hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(3).toInt();
        day = m.captured(4).toInt();
    } else if (const auto m2 = dayFirst.match(text); m2.hasMatch()) {
        day = m2.captured(1).toInt();
        month = m2.captured(3).toInt();
        year = m2.captured(4).toInt();
    } else {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> parseTime(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(R"(^(\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d{1,3}))?)?$)"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int msec = m.captured(4).isEmpty() ? 0 : m.captured(4).leftJustified(3, QLatin1Char('0')).toInt();
    const QTime time(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), msec);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

} // namespace

QDate MyDateStrToDate(const QString &text)
{
    const auto date = parseDate(text.trimmed());
    if (!date)
        reject(text, "datum");
    return *date;
}

namespace {

// Digits of text[from, to) as a number; -1 when empty or not all digits.
int number(const QString &text, qsizetype from, qsizetype to)
{
    if (from >= to)
        return -1;
    int value = 0;
    for (qsizetype i = from; i < to; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// The commonest forms read without regular expressions: "yyyy-mm-dd" or "d.m.yyyy",
// optionally followed by one blank and "h:mm" or "h:mm:ss". Anything else (and every
// invalid value) is left to the full reader, which also words the error.
bool quickParts(const QString &text, QDate &date, QTime &time)
{
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    const qsizetype dateEnd = blank < 0 ? text.size() : blank;
    int year = -1, month = -1, day = -1;
    if (dateEnd == 10 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')) {
        year = number(text, 0, 4);
        month = number(text, 5, 7);
        day = number(text, 8, 10);
    } else {
        const qsizetype dot1 = text.indexOf(QLatin1Char('.'));
        const qsizetype dot2 = dot1 < 0 ? -1 : text.indexOf(QLatin1Char('.'), dot1 + 1);
        if (dot1 < 1 || dot1 > 2 || dot2 - dot1 < 2 || dot2 - dot1 > 3 || dateEnd - dot2 != 5)
            return false;
        day = number(text, 0, dot1);
        month = number(text, dot1 + 1, dot2);
        year = number(text, dot2 + 1, dateEnd);
    }
    date = QDate(year, month, day);
    if (year < 0 || month < 0 || day < 0 || !date.isValid())
        return false;
    if (blank < 0) {
        time = QTime(0, 0);
        return true;
    }
    const qsizetype colon = text.indexOf(QLatin1Char(':'), blank);
    const qsizetype length = text.size() - colon - 1;
    if (colon - blank < 2 || colon - blank > 3 || (length != 2 && length != 5)
        || (length == 5 && text.at(colon + 3) != QLatin1Char(':')))
        return false;
    const int hour = number(text, blank + 1, colon);
    const int minute = number(text, colon + 1, colon + 3);
    const int second = length == 5 ? number(text, colon + 4, colon + 6) : 0;
    time = QTime(hour, minute, second);
    return hour >= 0 && minute >= 0 && second >= 0 && time.isValid();
}

} // namespace

QDateTime MyDateTimeStrToDateTime(const QString &text)
{
    const auto [date, time] = MyDateTimeStrToParts(text);
    return QDateTime(date, time);
}

std::pair<QDate, QTime> MyDateTimeStrToParts(const QString &text)
{
    QDate quickDate;
    QTime quickTime;
    if (quickParts(text, quickDate, quickTime))
        return {quickDate, quickTime};
    static const QRegularExpression split(QStringLiteral(R"(^(\S+?)(?:(?:\s+|T)(\S+))?$)"));
    const auto m = split.match(text.trimmed());
    if (!m.hasMatch())
        reject(text, "datum i vreme");
    const auto date = parseDate(m.captured(1));
    if (!date)
        reject(text, "datum i vreme");
    if (m.captured(2).isEmpty())
        return {*date, QTime(0, 0)};
    const auto time = parseTime(m.captured(2));
    if (!time)
        reject(text, "datum i vreme");
    return {*date, *time};
}
