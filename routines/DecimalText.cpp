#include "DecimalText.h"

#include <array>
#include <charconv>
#include <cstdlib>

namespace routines::detail {

namespace {

void normalise(DecimalText &d)
{
    qsizetype lead = 0;
    while (lead < d.intDigits.size() && d.intDigits.at(lead) == QLatin1Char('0'))
        ++lead;
    d.intDigits.remove(0, lead);
    qsizetype trail = d.fracDigits.size();
    while (trail > 0 && d.fracDigits.at(trail - 1) == QLatin1Char('0'))
        --trail;
    d.fracDigits.truncate(trail);
}

} // namespace

double DecimalText::toDouble() const
{
    const QByteArray text =
        (intDigits.isEmpty() ? QStringLiteral("0") : intDigits).toLatin1() + '.' + fracDigits.toLatin1() + '0';
    double value = 0.0;
    std::from_chars(text.constData(), text.constData() + text.size(), value);
    return value;
}

DecimalText toDecimal(double absValue)
{
    // DBL_MAX has 309 integer digits; the shortest form never needs more.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), absValue, std::chars_format::fixed);
    const QString text = QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    DecimalText d;
    d.intDigits = dot < 0 ? text : text.left(dot);
    d.fracDigits = dot < 0 ? QString() : text.mid(dot + 1);
    normalise(d);
    return d;
}

DecimalText roundDecimal(const DecimalText &d, int decimals)
{
    if (d.fracDigits.size() <= decimals)
        return d;
    // All digits as one string with the rounding position at `keep`.
    QString digits = d.intDigits + d.fracDigits;
    const qsizetype pointAt = d.intDigits.size();
    qsizetype keep = pointAt + decimals;
    if (keep < 0) {
        digits = QString(-keep, QLatin1Char('0')) + digits;
        keep = 0;
    }
    const qsizetype shift = digits.size() - d.intDigits.size() - d.fracDigits.size();
    const bool up = keep < digits.size() && digits.at(keep) >= QLatin1Char('5');
    QString kept = digits.left(keep);
    if (up) {
        qsizetype i = kept.size() - 1;
        for (; i >= 0 && kept.at(i) == QLatin1Char('9'); --i)
            kept[i] = QLatin1Char('0');
        if (i >= 0)
            kept[i] = QChar(kept.at(i).unicode() + 1);
        else
            kept.prepend(QLatin1Char('1'));
    }
    // Put the point back; the dropped digits are zeros.
    const qsizetype newPoint = pointAt + shift + (kept.size() - keep);
    kept += QString(qMax<qsizetype>(0, newPoint - kept.size()), QLatin1Char('0'));
    DecimalText r;
    r.intDigits = kept.left(newPoint);
    r.fracDigits = kept.mid(newPoint);
    normalise(r);
    return r;
}

} // namespace routines::detail
