#include "DateParse.h"

#include <QRegularExpression>

#include <optional>
#include <stdexcept>

namespace {

[[noreturn]] void reject(const QString &text, const char *what)
{
    throw std::runtime_error(QStringLiteral("\u201E%1\u201C nije ispravan %2.")
                                     .arg(text, QString::fromUtf8(what)).toStdString());
}

std::optional<QDate> parseDate(const QString &text)
{
    static const QRegularExpression isoForm(
            QStringLiteral(R"(^(\d{4})([-./])(\d{1,2})\2(\d{1,2})$)"));
    static const QRegularExpression dayFirst(
            QStringLiteral(R"(^(\d{1,2})([-./])(\d{1,2})\2(\d{4})\.?$)"));
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
    static const QRegularExpression form(
            QStringLiteral(R"(^(\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d{1,3}))?)?$)"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int msec = m.captured(4).isEmpty()
            ? 0 : m.captured(4).leftJustified(3, QLatin1Char('0')).toInt();
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

QDateTime MyDateTimeStrToDateTime(const QString &text)
{
    static const QRegularExpression split(QStringLiteral(R"(^(\S+?)(?:(?:\s+|T)(\S+))?$)"));
    const auto m = split.match(text.trimmed());
    if (!m.hasMatch())
        reject(text, "datum i vreme");
    const auto date = parseDate(m.captured(1));
    if (!date)
        reject(text, "datum i vreme");
    if (m.captured(2).isEmpty())
        return QDateTime(*date, QTime(0, 0));
    const auto time = parseTime(m.captured(2));
    if (!time)
        reject(text, "datum i vreme");
    return QDateTime(*date, *time);
}
