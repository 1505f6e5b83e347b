// Any text has a leading number; only an overflow may fail, else it rounds to the nearest.
#include <cmath>
#include <cstdint>

#include "store/LeadingNumber.h"
#include "support/ErrorOf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = nightaudit::leadingNumber(text);
    std::int32_t whole = 0;
    const int error =
        nightaudit::test::errorOf([&] { whole = nightaudit::leadingLong(text); }).number;
    if (std::isnan(value) || (error == 0 && std::fabs(whole - value) > 0.5) ||
        (error != 0 && (error != nightaudit::err::Overflow || std::fabs(value) < 2147483647.0)))
        __builtin_trap();
    return 0;
}
