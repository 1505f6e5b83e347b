#include "LeadingNumber.h"

#include <cstdlib>
#include <string>

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
    // strtod follows LC_NUMERIC; the text only ever holds '.', and the program keeps
    // the C numeric locale (Qt sets it so), so this reads the period as written.
    return std::strtod(number.c_str(), nullptr);
}

std::int32_t leadingLong(std::string_view text) {
    return roundHalfEvenTo<std::int32_t>(leadingNumber(text), [&] {
        return "Overflow: " + std::string(text) + " does not fit a 32-bit number";
    });
}

}  // namespace nightaudit
