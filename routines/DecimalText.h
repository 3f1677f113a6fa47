#pragma once

#include <QString>

// Decimal digits of a non-negative double, as the shortest text that reads back as the
// same double. Rounding works on these digits rather than on the binary approximation,
// so 2.675 rounds to 2.68 and 1.005 to 1.01, as the user expects.
namespace routines::detail {

struct DecimalText {
    QString intDigits; // no leading zeros; empty for 0
    QString fracDigits; // no trailing zeros

    bool isZero() const { return intDigits.isEmpty() && fracDigits.isEmpty(); }
    double toDouble() const;
};

DecimalText toDecimal(double absValue);

// Rounds to `decimals` fraction digits (a negative count rounds to tens, hundreds...),
// half away from zero; the sign is the caller's, so only the magnitude changes.
DecimalText roundDecimal(const DecimalText &d, int decimals);

} // namespace routines::detail
