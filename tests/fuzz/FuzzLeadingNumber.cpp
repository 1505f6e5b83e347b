// The leading-number rule reads any text; only an overflow may fail, and a text whose
// number is small comes back as the nearest whole number.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "core/Error.h"
#include "store/LeadingNumber.h"
#include "support/ErrorOf.h"

using namespace nightaudit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = leadingNumber(text);
    std::int32_t whole = 0;
    const int error = test::errorOf([&] { whole = leadingLong(text); }).number;
    if (std::isnan(value) || (error == 0 && std::fabs(whole - value) > 0.5) ||
        (error != 0 && (error != err::Overflow || std::fabs(value) < 2147483647.0)))
        __builtin_trap();
    return 0;
}
