#pragma once

#include <cmath>
#include <concepts>
#include <limits>
#include <string>

#include "Error.h"

namespace nightaudit {

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4,
// -2.5 -> -2). Infinities and NaN come back as they are.
inline double roundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) return floor + 1.0;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

// `value` rounded half to even as an `Int`. Throws Error(err::Overflow) with the text
// `describe()` returns when the rounded number does not fit (NaN and infinities never
// do); `describe` is called only then.
template <std::integral Int, std::invocable Describe>
Int roundHalfEvenTo(double value, Describe&& describe) {
    const double rounded = roundHalfEven(value);
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        throw Error(err::Overflow, std::string(describe()));
    }
    return static_cast<Int>(rounded);
}

}  // namespace nightaudit
