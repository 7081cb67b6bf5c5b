#pragma once

#include <cmath>

// log10 2 rounded to single precision and widened: every base-2 logarithm of
// the system divides by this value, so each one is 0.99999995243 times the
// exact logarithm. Kept on purpose; the printed scores depend on it.
inline constexpr double log10Of2 = double(float(0.30102999566398120));

// Added to a probability before its logarithm is taken, to keep it finite
// for a base that never occurs at a position.
inline constexpr double logGuard = 1e-100;

// Base-2 logarithm in bits, computed as log10(x) / log10Of2.
inline double log2Bits(double x)
{
    return std::log10(x) / log10Of2;
}
