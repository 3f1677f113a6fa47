#include "FormatFloat.h"

#include <QLocale>

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace {

FormatSettings fromSystemLocale()
{
    const QLocale locale = QLocale::system();
    FormatSettings settings;
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    if (decimal.size() == 1)
        settings.DecimalSeparator = decimal.at(0);
    if (group.size() == 1)
        settings.ThousandSeparator = group.at(0);
    // A locale whose grouping character equals its decimal point would make numbers
    // ambiguous; fall back to the other common pair.
    if (settings.ThousandSeparator == settings.DecimalSeparator)
        settings.ThousandSeparator = settings.DecimalSeparator == QLatin1Char(',')
                ? QLatin1Char('.') : QLatin1Char(',');
    return settings;
}

// A decimal number as plain digits: value = digits[0..intCount) . digits[intCount..).
struct Decimal {
    QString intDigits;  // no leading zeros; empty for 0
    QString fracDigits; // no trailing zeros
};

// The shortest decimal text that reads back as the same double: this is the value the
// user typed or saw, so rounding works on it rather than on the binary approximation
// (2.675 rounds to 2.68, not 2.67).
Decimal toDecimal(double absValue)
{
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      absValue, std::chars_format::fixed);
    const QString text = QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    Decimal d;
    d.intDigits = dot < 0 ? text : text.left(dot);
    d.fracDigits = dot < 0 ? QString() : text.mid(dot + 1);
    while (d.intDigits.startsWith(QLatin1Char('0')))
        d.intDigits.remove(0, 1);
    while (d.fracDigits.endsWith(QLatin1Char('0')))
        d.fracDigits.chop(1);
    return d;
}

// Rounds to `decimals` fraction digits, half away from zero (the sign is handled by the
// caller, so this only ever rounds the magnitude up).
Decimal roundDecimal(Decimal d, int decimals)
{
    if (d.fracDigits.size() <= decimals)
        return d;
    const bool up = d.fracDigits.at(decimals) >= QLatin1Char('5');
    QString digits = d.intDigits + d.fracDigits.left(decimals);
    if (up) {
        qsizetype i = digits.size() - 1;
        for (; i >= 0; --i) {
            if (digits.at(i) == QLatin1Char('9')) {
                digits[i] = QLatin1Char('0');
            } else {
                digits[i] = QChar(digits.at(i).unicode() + 1);
                break;
            }
        }
        if (i < 0)
            digits.prepend(QLatin1Char('1'));
    }
    Decimal r;
    r.intDigits = digits.left(digits.size() - decimals);
    r.fracDigits = digits.right(decimals);
    while (r.intDigits.startsWith(QLatin1Char('0')))
        r.intDigits.remove(0, 1);
    while (r.fracDigits.endsWith(QLatin1Char('0')))
        r.fracDigits.chop(1);
    return r;
}

bool isZero(const Decimal &d)
{
    return d.intDigits.isEmpty() && d.fracDigits.isEmpty();
}

// One section of a pattern, split into literal text around the digit placeholders.
struct Section {
    QString prefix;
    QString suffix;
    int minInt = 0;       // '0' placeholders before the decimal point
    int minFrac = 0;      // up to the last '0' after the decimal point
    int maxFrac = 0;      // all placeholders after the decimal point
    bool grouping = false;
    bool hasDigits = false;
};

Section parseSection(const QString &pattern)
{
    Section s;
    bool inBody = false;
    bool afterPoint = false;
    bool bodyDone = false;
    QString *literal = &s.prefix;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype end = pattern.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            literal->append(pattern.mid(i + 1, stop - i - 1));
            i = stop;
            if (inBody)
                bodyDone = true;
            continue;
        }
        const bool placeholder = c == QLatin1Char('0') || c == QLatin1Char('#');
        const bool structural = placeholder || c == QLatin1Char('.') || c == QLatin1Char(',');
        if (structural && !bodyDone) {
            inBody = true;
            literal = &s.suffix;
            if (c == QLatin1Char('.')) {
                afterPoint = true;
            } else if (c == QLatin1Char(',')) {
                if (!afterPoint)
                    s.grouping = true;
            } else {
                s.hasDigits = true;
                if (afterPoint) {
                    ++s.maxFrac;
                    if (c == QLatin1Char('0'))
                        s.minFrac = s.maxFrac;
                } else if (c == QLatin1Char('0')) {
                    ++s.minInt;
                }
            }
            continue;
        }
        if (inBody)
            bodyDone = true;
        literal->append(c);
    }
    return s;
}

QString groupDigits(const QString &digits, QChar separator)
{
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out.append(separator);
        out.append(digits.at(i));
    }
    return out;
}

QString render(const Section &s, const Decimal &d, const FormatSettings &settings)
{
    QString intPart = d.intDigits;
    if (intPart.size() < s.minInt)
        intPart = QString(s.minInt - intPart.size(), QLatin1Char('0')) + intPart;
    if (s.grouping)
        intPart = groupDigits(intPart, settings.ThousandSeparator);
    QString fracPart = d.fracDigits;
    if (fracPart.size() < s.minFrac)
        fracPart += QString(s.minFrac - fracPart.size(), QLatin1Char('0'));
    QString body = intPart;
    if (!fracPart.isEmpty())
        body += settings.DecimalSeparator + fracPart;
    return s.prefix + body + s.suffix;
}

// Plain text of a value when no pattern is given: as many digits as needed.
QString generalFormat(double value, const FormatSettings &settings)
{
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('.'), settings.DecimalSeparator);
    return text;
}

} // namespace

FormatSettings &FormatSettings::Current()
{
    static FormatSettings settings = fromSystemLocale();
    return settings;
}

// Patterns hold up to three sections separated by ';': positive, negative and zero.
// A negative value formatted with its own section gets no minus sign (the section
// supplies whatever it wants, e.g. "(0.00)"); a value that rounds to zero uses the zero
// section when there is one and never shows "-0".
QString FormatFloat(const QString &format, double value)
{
    const FormatSettings &settings = FormatSettings::Current();
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (format.isEmpty())
        return generalFormat(value, settings);

    QStringList sections;
    {
        QString current;
        QChar quote;
        for (const QChar c : format) {
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                quote = c;
            } else if (c == QLatin1Char(';')) {
                sections.append(current);
                current.clear();
                continue;
            }
            current.append(c);
        }
        sections.append(current);
    }

    const bool negative = value < 0;
    const Section positive = parseSection(sections.at(0));
    Section chosen = positive;
    const bool ownNegative = negative && sections.size() > 1 && !sections.at(1).isEmpty();
    if (ownNegative)
        chosen = parseSection(sections.at(1));

    const Decimal rounded = roundDecimal(toDecimal(std::fabs(value)), chosen.maxFrac);
    if (isZero(rounded) && sections.size() > 2 && !sections.at(2).isEmpty())
        return render(parseSection(sections.at(2)), rounded, settings);
    if (!chosen.hasDigits)
        return chosen.prefix + chosen.suffix;

    const QString text = render(chosen, rounded, settings);
    if (negative && !ownNegative && !isZero(rounded))
        return QStringLiteral("-") + text;
    return text;
}
