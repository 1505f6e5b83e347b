// The leading-number rule reads any text; only an overflow may fail, and a text
// whose number is small must come back as a whole number within range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Error.h"
#include "store/LeadingNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = nightaudit::leadingNumber(text);
    if (std::isnan(value)) __builtin_trap();
    try {
        const std::int32_t whole = nightaudit::leadingLong(text);
        if (std::fabs(whole - value) > 0.5) __builtin_trap();
    } catch (const nightaudit::Error& e) {
        if (e.number() != nightaudit::err::Overflow || std::fabs(value) < 2147483647.0)
            __builtin_trap();
    }
    return 0;
}
