#include "BetterRound.h"

#include "DecimalText.h"

#include <cmath>

double BetterRoundTo(double value, int digits)
{
    if (!std::isfinite(value))
        return value;
    using namespace routines::detail;
    const double magnitude = roundDecimal(toDecimal(std::fabs(value)), -digits).toDouble();
    return value < 0 ? -magnitude : magnitude;
}
