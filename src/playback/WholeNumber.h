#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "store/Value.h"

namespace nightaudit {

// Strict conversions for values that must be numbers (ids in node keys and keys,
// pointer coordinates). Unlike the lenient leading-number rule, a text that is not
// wholly a number is an error: a node key "KS12x" or a coordinate "abc" must not
// quietly become 12 or 0. Blanks around the number are allowed; a fraction is
// rounded half to even.
//
// Throws Error(err::TypeMismatch) for Null or a text that is not a number, and
// Error(err::Overflow) when the rounded number does not fit.
std::int16_t wholeNumber16(const std::string& text, const std::string& what);
std::int16_t wholeNumber16(const Value& value, const std::string& what);
std::int32_t wholeNumber32(const Value& value, const std::string& what);

// The number of a text that must be a number, without rounding (for the key type).
double strictNumber(const std::string& text, const std::string& what);

// The key type a stored value names, 0 to 12; nothing for Null or another number (such a
// key does nothing). A text that is not a number throws as strictNumber does.
std::optional<int> keyTypeNumber(const Value& value);

}  // namespace nightaudit
