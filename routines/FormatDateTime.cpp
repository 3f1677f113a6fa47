#include "FormatFloat.h"

#include <array>

namespace {

const std::array<const char *, 12> kMonthNames = {"januar", "februar", "mart",      "april",   "maj",      "jun",
                                                  "jul",    "avgust",  "septembar", "oktobar", "novembar", "decembar"};

// Indexed by QDate::dayOfWeek() - 1 (Monday first).
const std::array<const char *, 7> kDayNames = {"ponedeljak", "utorak", "sreda",  "četvrtak",
                                               "petak",      "subota", "nedelja"};

qsizetype runLength(const QString &format, qsizetype pos)
{
    const QChar c = format.at(pos).toLower();
    qsizetype n = 1;
    while (pos + n < format.size() && format.at(pos + n).toLower() == c)
        ++n;
    return n;
}

QString padded(int value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

} // namespace

// Letters are case-insensitive. "m"/"mm" right after an hour token means minutes, as
// people write "hh:mm"; otherwise it is the month. Text in quotes is copied as is, and
// every other character (".", "-", "/", ":", blanks) is literal.
QString FormatDateTime(const QString &format, const QDateTime &value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    QString out;
    bool lastWasHour = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar raw = format.at(i);
        if (raw == QLatin1Char('"') || raw == QLatin1Char('\'')) {
            const qsizetype end = format.indexOf(raw, i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            out += format.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        const char c = raw.toLower().toLatin1();
        const qsizetype n = runLength(format, i);
        bool hour = false;
        switch (c) {
        case 'y': out += n <= 2 ? padded(date.year() % 100, 2) : padded(date.year(), 4); break;
        case 'm':
            if (lastWasHour && n <= 2)
                out += padded(time.minute(), int(n));
            else if (n >= 4)
                out += QString::fromUtf8(kMonthNames.at(date.month() - 1));
            else if (n == 3)
                out += QString::fromUtf8(kMonthNames.at(date.month() - 1)).left(3);
            else
                out += padded(date.month(), int(n));
            break;
        case 'd':
            if (n >= 4)
                out += QString::fromUtf8(kDayNames.at(date.dayOfWeek() - 1));
            else if (n == 3)
                out += QString::fromUtf8(kDayNames.at(date.dayOfWeek() - 1)).left(3);
            else
                out += padded(date.day(), int(n));
            break;
        case 'h':
            out += padded(time.hour(), n >= 2 ? 2 : 1);
            hour = true;
            break;
        case 'n': out += padded(time.minute(), n >= 2 ? 2 : 1); break;
        case 's': out += padded(time.second(), n >= 2 ? 2 : 1); break;
        case 'z': out += padded(time.msec(), n >= 3 ? 3 : 1); break;
        default:
            out += format.mid(i, n);
            // Separators between hour and minutes keep the "hh:mm" reading.
            hour = lastWasHour && (raw == QLatin1Char(':') || raw == QLatin1Char(' '));
            break;
        }
        lastWasHour = hour;
        i += n;
    }
    return out;
}
