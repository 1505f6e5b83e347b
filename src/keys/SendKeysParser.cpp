#include "SendKeysParser.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "core/Error.h"

namespace nightaudit {

std::string utf8Of(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

namespace {

// A decoded character and its position in the text, counted in characters from 1, so that
// an error can point at the place the author of the text sees in an editor.
struct Char {
    char32_t code;
    std::size_t position;
};

[[noreturn]] void fail(const std::string& what, std::size_t position) {
    throw Error(err::KeySyntax,
                "Keystroke text: " + what + " at character " + std::to_string(position));
}

std::vector<Char> decodeUtf8(const std::string& text) {
    std::vector<Char> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t position = out.size() + 1;
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (lead == 0) {
            // No key types U+0000, and the text would end there for the desktop's C calls.
            fail("a NUL character", position);
        } else if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, code = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, code = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, code = lead & 0x07, minimum = 0x10000;
        } else {
            fail("invalid UTF-8 byte", position);
        }
        if (extra > 0 && i + static_cast<std::size_t>(extra) >= text.size()) {
            fail("truncated UTF-8 character", position);
        }
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) fail("invalid UTF-8 sequence", position);
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode would let one text spell a
        // character two ways; refusing them keeps what is typed what the editor shows.
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            fail("invalid UTF-8 sequence", position);
        }
        out.push_back({code, position});
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string toUpperAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

NamedKey namedKey(const std::string& name) {
    static const std::pair<const char*, NamedKey> table[] = {
        {"BACKSPACE", NamedKey::Backspace},
        {"BS", NamedKey::Backspace},
        {"BKSP", NamedKey::Backspace},
        {"BREAK", NamedKey::Break},
        {"CAPSLOCK", NamedKey::CapsLock},
        {"DELETE", NamedKey::Delete},
        {"DEL", NamedKey::Delete},
        {"DOWN", NamedKey::Down},
        {"END", NamedKey::End},
        {"ENTER", NamedKey::Enter},
        {"ESC", NamedKey::Escape},
        {"HELP", NamedKey::Help},
        {"HOME", NamedKey::Home},
        {"INSERT", NamedKey::Insert},
        {"INS", NamedKey::Insert},
        {"LEFT", NamedKey::Left},
        {"NUMLOCK", NamedKey::NumLock},
        {"PGDN", NamedKey::PageDown},
        {"PGUP", NamedKey::PageUp},
        {"PRTSC", NamedKey::PrintScreen},
        {"RIGHT", NamedKey::Right},
        {"SCROLLLOCK", NamedKey::ScrollLock},
        {"TAB", NamedKey::Tab},
        {"UP", NamedKey::Up},
        {"ADD", NamedKey::Add},
        {"SUBTRACT", NamedKey::Subtract},
        {"MULTIPLY", NamedKey::Multiply},
        {"DIVIDE", NamedKey::Divide},
    };
    const std::string upper = toUpperAscii(name);
    for (const auto& [text, key] : table) {
        if (upper == text) return key;
    }
    if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == 'F' &&
        std::all_of(upper.begin() + 1, upper.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        upper[1] != '0') {
        const int n = std::stoi(upper.substr(1));
        if (n >= 1 && n <= 16) return static_cast<NamedKey>(static_cast<int>(NamedKey::F1) + n - 1);
    }
    return NamedKey::None;
}

std::string toUtf8(const std::vector<Char>& chars, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i) out += utf8Of(chars[i].code);
    return out;
}

class Parser {
public:
    explicit Parser(const std::string& text) : m_chars(decodeUtf8(text)) {}

    std::vector<KeyStroke> parse() {
        parseSequence(NoModifier, 0);
        return std::move(m_strokes);
    }

private:
    bool atEnd() const { return m_at >= m_chars.size(); }
    char32_t current() const { return m_chars[m_at].code; }
    std::size_t position() const { return atEnd() ? m_chars.size() + 1 : m_chars[m_at].position; }

    // Reads strokes until the end of the text or, inside a group, its closing parenthesis.
    void parseSequence(unsigned held, std::size_t groupOpenedAt) {
        while (!atEnd()) {
            if (current() == ')') {
                if (groupOpenedAt == 0) fail("')' without a matching '('", position());
                ++m_at;
                return;
            }
            parseItem(held);
        }
        if (groupOpenedAt != 0) fail("'(' is never closed", groupOpenedAt);
    }

    // One key or group, with the modifiers written in front of it.
    void parseItem(unsigned held) {
        unsigned modifiers = 0;
        std::size_t modifierAt = 0;
        while (!atEnd() && (current() == '+' || current() == '^' || current() == '%')) {
            if (modifierAt == 0) modifierAt = position();
            modifiers |= current() == '+' ? Shift : current() == '^' ? Ctrl : Alt;
            ++m_at;
        }
        if (modifiers != 0 && (atEnd() || current() == ')')) {
            fail("a modifier with no key after it", modifierAt);
        }
        const unsigned all = held | modifiers;
        const char32_t c = current();
        if (c == '(') {
            const std::size_t openedAt = position();
            ++m_at;
            if (!atEnd() && current() == ')') fail("an empty group '()'", openedAt);
            if (++m_depth > kMaxDepth) fail("groups nested too deeply", openedAt);
            parseSequence(all, openedAt);
            --m_depth;
        } else if (c == '{') {
            parseBraces(all);
        } else if (c == '}') {
            fail("'}' without a matching '{'", position());
        } else if (c == '~') {
            add({NamedKey::Enter, 0, all}, 1, position());
            ++m_at;
        } else {
            add({NamedKey::None, c, all}, 1, position());
            ++m_at;
        }
    }

    // {NAME}, {c}, {NAME n} or {c n}. The first character after '{' always belongs to the
    // name, which is how {}} and {} 3} name the closing brace itself.
    void parseBraces(unsigned modifiers) {
        const std::size_t openedAt = position();
        const std::size_t start = m_at + 1;
        if (start >= m_chars.size()) fail("'{' is never closed", openedAt);
        if (m_chars[start].code == '}' && start + 1 < m_chars.size() &&
            m_chars[start + 1].code != '}' && m_chars[start + 1].code != ' ') {
            fail("empty braces '{}'", openedAt);
        }
        std::size_t close = start + 1;
        while (close < m_chars.size() && m_chars[close].code != '}') ++close;
        if (close >= m_chars.size()) {
            fail(m_chars[start].code == '}' ? "empty braces '{}'" : "'{' is never closed",
                 openedAt);
        }

        std::size_t nameEnd = close;
        long count = 1;
        for (std::size_t i = close; i > start + 1; --i) {
            if (m_chars[i - 1].code == ' ') {
                nameEnd = i - 1;
                count = parseCount(i, close);
                break;
            }
        }
        KeyStroke stroke{NamedKey::None, 0, modifiers};
        if (nameEnd - start == 1) {
            stroke.character = m_chars[start].code;
        } else {
            const std::string name = toUtf8(m_chars, start, nameEnd);
            stroke.key = namedKey(name);
            if (stroke.key == NamedKey::None) {
                fail("unknown key name \"" + name + "\"", m_chars[start].position);
            }
        }
        add(stroke, count, openedAt);
        m_at = close + 1;
    }

    // Every stroke counts toward the limit, plain characters as well as repeats.
    void add(const KeyStroke& stroke, long count, std::size_t at) {
        if (m_strokes.size() + static_cast<std::size_t>(count) > kMaxStrokes) {
            fail("the text expands to more than " + std::to_string(kMaxStrokes) + " keys", at);
        }
        m_strokes.insert(m_strokes.end(), static_cast<std::size_t>(count), stroke);
    }

    long parseCount(std::size_t from, std::size_t to) const {
        const std::size_t at = m_chars[from].position;
        if (from == to) fail("a repeat count is missing", at);
        long count = 0;
        for (std::size_t i = from; i < to; ++i) {
            const char32_t c = m_chars[i].code;
            if (c < '0' || c > '9') fail("the repeat count is not a whole number", at);
            count = count * 10 + static_cast<long>(c - '0');
            if (count > kMaxRepeat) {
                fail("the repeat count is above " + std::to_string(kMaxRepeat), at);
            }
        }
        return count;
    }

    // Bounds that keep a mistyped text from typing for minutes or exhausting the stack.
    static constexpr long kMaxRepeat = 10000;
    static constexpr int kMaxDepth = 64;
    static constexpr std::size_t kMaxStrokes = 100000;

    std::vector<Char> m_chars;
    std::size_t m_at = 0;
    int m_depth = 0;
    std::vector<KeyStroke> m_strokes;
};

}  // namespace

std::vector<KeyStroke> parseSendKeys(const std::string& text) {
    return Parser(text).parse();
}

}  // namespace nightaudit
