#pragma once

// Rounds on the decimal value, half away from zero. digits < 0 keeps -digits decimals
// (-2: two decimals), digits > 0 rounds to tens (1), hundreds (2) and so on.
double BetterRoundTo(double value, int digits);
