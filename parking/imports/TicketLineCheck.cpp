#include "TicketLineCheck.h"

#include <routines/CodePages.h>
#include <routines/TextFormat.h>

#include <QDate>
#include <QTime>
#include <array>

namespace imports {

namespace {

// Reads 'min' to 'max' digits at 'pos' into 'value'.
bool Digits(QByteArrayView text, qsizetype &pos, int min, int max, int &value)
{
    value = 0;
    int count = 0;
    while (pos < text.size() && count < max && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++count;
    }
    return count >= min;
}

bool Expect(QByteArrayView text, qsizetype &pos, char c)
{
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

// yyyy-m-d or yyyy-m-d h:m:s, as the server reads a date-time.
bool IsDateTime(QByteArrayView text)
{
    qsizetype pos = 0;
    int year = 0, month = 0, day = 0;
    if (!Digits(text, pos, 4, 4, year) || !Expect(text, pos, '-') || !Digits(text, pos, 1, 2, month)
        || !Expect(text, pos, '-') || !Digits(text, pos, 1, 2, day) || !QDate::isValid(year, month, day))
        return false;
    if (pos == text.size())
        return true;
    int hour = 0, minute = 0, second = 0;
    return Expect(text, pos, ' ') && Digits(text, pos, 1, 2, hour) && Expect(text, pos, ':')
        && Digits(text, pos, 1, 2, minute) && Expect(text, pos, ':') && Digits(text, pos, 1, 2, second)
        && pos == text.size() && QTime::isValid(hour, minute, second);
}

// An integer, or with 'decimal' a number with an optional "." part.
bool IsNumber(QByteArrayView text, bool decimal)
{
    qsizetype pos = !text.isEmpty() && text[0] == '-' ? 1 : 0;
    int ignored = 0;
    const qsizetype start = pos;
    Digits(text, pos, 0, int(text.size()), ignored);
    bool digits = pos > start;
    if (decimal && pos < text.size() && text[pos] == '.') {
        const qsizetype fraction = ++pos;
        Digits(text, pos, 0, int(text.size()), ignored);
        digits = digits || pos > fraction;
    }
    return digits && pos == text.size();
}

QString Quoted(QByteArrayView value)
{
    return QStringLiteral("\u201E%1\u201C").arg(ElidedValue(FromWin1250(value.toByteArray())));
}

// The first six fields of a line ("," separated; missing ones empty).
std::array<QByteArrayView, 6> LeadingFields(QByteArrayView line)
{
    std::array<QByteArrayView, 6> fields;
    qsizetype pos = 0;
    for (std::size_t i = 0; i < fields.size() && pos <= line.size(); ++i) {
        qsizetype end = line.indexOf(',', pos);
        if (end < 0)
            end = line.size();
        fields[i] = line.sliced(pos, end - pos);
        pos = end + 1;
    }
    return fields;
}

} // namespace

QString TicketLineProblem(QByteArrayView line)
{
    const auto fields = LeadingFields(line);
    if (!IsDateTime(fields[0]))
        return QStringLiteral("datum izdavanja %1 nije ispravan").arg(Quoted(fields[0]));
    if (fields[1].isEmpty())
        return QStringLiteral("nema broja karte");
    if (!fields[2].isEmpty() && !IsNumber(fields[2], false))
        return QStringLiteral("zona %1 nije broj").arg(Quoted(fields[2]));
    if (!fields[4].isEmpty() && !IsNumber(fields[4], true))
        return QStringLiteral("cena %1 nije broj").arg(Quoted(fields[4]));
    if (!fields[5].isEmpty() && !IsNumber(fields[5], false))
        return QStringLiteral("status %1 nije broj").arg(Quoted(fields[5]));
    return {};
}

void TicketFileCheck::Add(qint64 lineNumber, QByteArrayView line)
{
    if (line.isEmpty()) {
        m_format.Empty();
        return;
    }
    const auto fields = LeadingFields(line);
    if (fields[1].isEmpty())
        ++m_withoutNumber;
    const QString problem = TicketLineProblem(line);
    if (!problem.isEmpty()) {
        m_format.Unreadable(lineNumber, problem);
        return;
    }
    m_format.Readable();
    if (fields[3].isEmpty() && m_withoutRegistration.size() < kListed)
        m_withoutRegistration << QStringLiteral("red %1: nema registracije").arg(lineNumber);
}

} // namespace imports
