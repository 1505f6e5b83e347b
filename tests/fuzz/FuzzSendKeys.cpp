// Any text parses into real strokes or fails with a syntax error; nothing else may happen.
#include <cstdint>

#include "keys/SendKeysParser.h"
#include "support/ErrorOf.h"

using namespace nightaudit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<KeyStroke> strokes;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int error = test::errorOf([&] { strokes = parseSendKeys(text); }).number;
    if (error != 0 && error != err::KeySyntax) __builtin_trap();
    for (const auto& s : strokes)
        if ((s.key == NamedKey::None && s.character == 0) || s.modifiers > (Shift | Ctrl | Alt))
            __builtin_trap();
    return 0;
}
