// Any text either parses or fails with a syntax error; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Error.h"
#include "platform/SendKeysParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const auto strokes = nightaudit::parseSendKeys(text);
        for (const auto& s : strokes) {
            if (s.key == nightaudit::NamedKey::None && s.character == 0) __builtin_trap();
            if (s.modifiers > (nightaudit::Shift | nightaudit::Ctrl | nightaudit::Alt))
                __builtin_trap();
        }
    } catch (const nightaudit::Error& e) {
        if (e.number() != nightaudit::err::KeySyntax) __builtin_trap();
    }
    return 0;
}
