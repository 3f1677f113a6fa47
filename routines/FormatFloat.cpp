#include "FormatFloat.h"

#include "DecimalText.h"

#include <QLocale>

#include <cmath>
#include <stdexcept>

namespace {

using routines::detail::DecimalText;

// Numbers are written as the program's texts are, in Serbian (1.000,00), whatever locale
// the desktop runs in: an amount beside a Serbian date never reads as 1,000.00.
FormatSettings serbianSettings()
{
    const QLocale locale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia);
    FormatSettings settings;
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    if (decimal.size() == 1)
        settings.DecimalSeparator = decimal.at(0);
    if (group.size() == 1)
        settings.ThousandSeparator = group.at(0);
    return settings;
}

// The grouping character, never the decimal point itself (an import sets "." as decimal
// point for a while, which is also the Serbian grouping character).
QChar groupingOf(const FormatSettings &settings)
{
    if (settings.ThousandSeparator != settings.DecimalSeparator)
        return settings.ThousandSeparator;
    return settings.DecimalSeparator == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
}

// One section of a pattern, split into literal text around the digit placeholders.
struct Section {
    QString prefix;
    QString suffix;
    int minInt = 0; // '0' placeholders before the decimal point
    int minFrac = 0; // up to the last '0' after the decimal point
    int maxFrac = 0; // all placeholders after the decimal point
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

QString render(const Section &s, const DecimalText &d, const FormatSettings &settings)
{
    QString intPart = d.intDigits;
    if (intPart.size() < s.minInt)
        intPart = QString(s.minInt - intPart.size(), QLatin1Char('0')) + intPart;
    if (s.grouping)
        intPart = groupDigits(intPart, groupingOf(settings));
    QString fracPart = d.fracDigits;
    if (fracPart.size() < s.minFrac)
        fracPart += QString(s.minFrac - fracPart.size(), QLatin1Char('0'));
    QString body = intPart;
    if (!fracPart.isEmpty())
        body += settings.DecimalSeparator + fracPart;
    return s.prefix + body + s.suffix;
}

// The ';'-separated sections of a pattern; a ';' inside quotes is literal text.
QStringList splitSections(const QString &format)
{
    QStringList sections;
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
    return sections;
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
    static FormatSettings settings = serbianSettings();
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

    const QStringList sections = splitSections(format);

    const bool negative = value < 0;
    const Section positive = parseSection(sections.at(0));
    Section chosen = positive;
    const bool ownNegative = negative && sections.size() > 1 && !sections.at(1).isEmpty();
    if (ownNegative)
        chosen = parseSection(sections.at(1));

    const DecimalText rounded =
        routines::detail::roundDecimal(routines::detail::toDecimal(std::fabs(value)), chosen.maxFrac);
    if (rounded.isZero() && sections.size() > 2 && !sections.at(2).isEmpty())
        return render(parseSection(sections.at(2)), rounded, settings);
    if (!chosen.hasDigits)
        return chosen.prefix + chosen.suffix;

    const QString text = render(chosen, rounded, settings);
    if (negative && !ownNegative && !rounded.isZero())
        return QStringLiteral("-") + text;
    return text;
}

// Reads a number written with the current decimal separator and no grouping; blanks
// around it are ignored. Anything else throws, naming the text, so an import stops at
// the bad value instead of reading "12,50" as 1250.
double StrToFloat(const QString &text)
{
    const FormatSettings &settings = FormatSettings::Current();
    QString plain = text.trimmed();
    if (settings.DecimalSeparator != QLatin1Char('.') && plain.contains(QLatin1Char('.')))
        plain.clear();
    plain.replace(settings.DecimalSeparator, QLatin1Char('.'));
    bool ok = false;
    const double value =
        plain.isEmpty() || plain.contains(QLatin1Char(',')) || plain.contains(QLatin1Char('e'), Qt::CaseInsensitive)
        ? 0.0
        : plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw std::runtime_error(QStringLiteral("„%1“ nije ispravan broj.").arg(text).toStdString());
    return value;
}
