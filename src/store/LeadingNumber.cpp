#include "LeadingNumber.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "core/Error.h"

namespace nightaudit {

double leadingNumber(std::string_view text) {
    std::string packed;
    packed.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') packed.push_back(c);
    }
    std::size_t i = 0;
    std::string number;
    if (i < packed.size() && (packed[i] == '+' || packed[i] == '-')) number.push_back(packed[i++]);
    std::size_t digits = 0;
    while (i < packed.size() && packed[i] >= '0' && packed[i] <= '9') {
        number.push_back(packed[i++]);
        ++digits;
    }
    if (i + 1 < packed.size() && packed[i] == '.' && packed[i + 1] >= '0' && packed[i + 1] <= '9') {
        number.push_back(packed[i++]);
        while (i < packed.size() && packed[i] >= '0' && packed[i] <= '9') {
            number.push_back(packed[i++]);
            ++digits;
        }
    }
    if (digits == 0) return 0.0;
    // strtod follows LC_NUMERIC; the text only ever holds '.', and the program keeps
    // the C numeric locale (Qt sets it so), so this reads the period as written.
    return std::strtod(number.c_str(), nullptr);
}

double roundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) return floor + 1.0;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::int32_t leadingLong(std::string_view text) {
    const double rounded = roundHalfEven(leadingNumber(text));
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        throw Error(err::Overflow,
                    "Overflow: " + std::string(text) + " does not fit a 32-bit number");
    }
    return static_cast<std::int32_t>(rounded);
}

std::int16_t toInt16(double value) {
    const double rounded = roundHalfEven(value);
    if (!(rounded >= std::numeric_limits<std::int16_t>::min() &&
          rounded <= std::numeric_limits<std::int16_t>::max())) {
        throw Error(err::Overflow,
                    "Overflow: " + std::to_string(value) + " does not fit a 16-bit id");
    }
    return static_cast<std::int16_t>(rounded);
}

}  // namespace nightaudit
