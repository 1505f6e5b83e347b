#include "LeadingNumber.h"

#include <charconv>
#include <limits>
#include <string>
#include <string_view>

#include "core/Rounding.h"

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
    // The stored steps and the reports write a period. strtod would follow the desktop's
    // LC_NUMERIC, which the toolkit switches to at start-up (de_DE: "100.50" is 100);
    // from_chars reads the same in every locale.
    const char* first = number.data();
    if (*first == '+') ++first;  // from_chars takes no plus sign
    double value = 0.0;
    const auto error = std::from_chars(first, number.data() + number.size(), value).ec;
    if (error == std::errc::result_out_of_range) {
        // As strtod: too large is infinite (the integer readers then report an
        // overflow), too small is zero.
        const std::string_view whole = std::string_view(number).substr(0, number.find('.'));
        const bool large = whole.find_first_of("123456789") != std::string_view::npos;
        const double magnitude = large ? std::numeric_limits<double>::infinity() : 0.0;
        return number[0] == '-' ? -magnitude : magnitude;
    }
    return value;
}

std::int32_t leadingLong(std::string_view text) {
    return roundHalfEvenTo<std::int32_t>(leadingNumber(text), [&] {
        return "Overflow: " + std::string(text) + " does not fit a 32-bit number";
    });
}

}  // namespace nightaudit
