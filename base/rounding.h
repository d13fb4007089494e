// Whole numbers from fractional values, one rule for the whole program.
// Qt-free: the pure calculator and the effect arithmetic include it too. It
// keeps the drawing surface's name, where it was first needed; every layer
// calls it base::round_even.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

namespace base {

// Nearest whole number, halves to the even neighbour, saturated to 32 bits;
// NaN gives 0. This is how every fractional value becomes a whole number.
inline int32_t round_even(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v); // the default rounding mode: ties to even
    if (r <= -2147483648.0) return INT32_MIN;
    if (r >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(r);
}

} // namespace base
