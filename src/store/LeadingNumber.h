#pragma once

#include <cstdint>
#include <string_view>

namespace nightaudit {

// The one conversion of a text to a number: blanks, tabs and line feeds are dropped
// wherever they stand, then the longest prefix of the form [sign] digits [. digits]
// is read ("12abc" -> 12, " 1 5 " -> 15, "abc" -> 0). The period is the only decimal
// separator, whatever the locale.
double leadingNumber(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// leadingNumber, rounded half to even, as a 32-bit integer.
// Throws Error(err::Overflow) outside the 32-bit range.
std::int32_t leadingLong(std::string_view text);

// Checks that a whole number fits a 16-bit id; throws Error(err::Overflow) otherwise.
std::int16_t toInt16(double value);

}  // namespace nightaudit
