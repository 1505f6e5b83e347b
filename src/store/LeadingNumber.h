#pragma once

#include <cstdint>
#include <string_view>

namespace nightaudit {

// The one conversion of a text to a number: blanks, tabs and line feeds are dropped
// wherever they stand, then the longest prefix of the form [sign] digits [. digits]
// is read ("12abc" -> 12, " 1 5 " -> 15, "abc" -> 0). The period is the only decimal
// separator, whatever the locale.
double leadingNumber(std::string_view text);

// leadingNumber, rounded half to even, as a 32-bit integer.
// Throws Error(err::Overflow) outside the 32-bit range.
std::int32_t leadingLong(std::string_view text);

}  // namespace nightaudit
