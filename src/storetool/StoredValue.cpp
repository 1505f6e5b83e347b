#include "StoredValue.h"

#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/Error.h"

namespace nightaudit {

Stored::Stored() : kind(SQLITE_NULL) {}

bool Stored::operator==(const Stored& o) const {
    if (kind != o.kind) return false;
    switch (kind) {
        case SQLITE_INTEGER:
            return integer == o.integer;
        case SQLITE_FLOAT:
            return std::signbit(real) == std::signbit(o.real) &&
                   (real == o.real || (std::isnan(real) && std::isnan(o.real)));
        case SQLITE_NULL:
            return true;
        default:
            return bytes == o.bytes;
    }
}

namespace {

// The length of the UTF-8 sequence at `i`, or 0 when the bytes there are not one.
std::size_t utf8Length(const std::string& s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t n = b < 0x80         ? 1
                          : (b >> 5) == 6  ? 2
                          : (b >> 4) == 14 ? 3
                          : (b >> 3) == 30 ? 4
                                           : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return 0;
    return n;
}

std::string hex(unsigned value, int digits) {
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

unsigned hexValue(const std::string& s, std::size_t at, std::size_t digits, int line) {
    unsigned value = 0;
    if (at + digits > s.size()) refuse(line, "an escape is cut short");
    const auto [end, ec] = std::from_chars(s.data() + at, s.data() + at + digits, value, 16);
    if (ec != std::errc() || end != s.data() + at + digits) refuse(line, "a malformed escape");
    return value;
}

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string quotedText(const std::string& s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (b < 0x20 || b == 0x7f) {
            out += "\\u" + hex(b, 4);
        } else if (const std::size_t n = utf8Length(s, i); n > 1) {
            out.append(s, i, n);
            i += n;
            continue;
        } else if (b >= 0x80) {
            out += "\\x" + hex(b, 2);  // not UTF-8: kept as the byte it is
        } else {
            out += c;
        }
        ++i;
    }
    return out + "\"";
}

[[noreturn]] void refuse(int line, const std::string& why) {
    throw Error(err::InvalidArgument, "line " + std::to_string(line) + ": " + why);
}

Stored storedOf(const SQLite::Column& c) {
    Stored s;
    s.kind = c.getType();
    if (s.kind == SQLITE_INTEGER) s.integer = c.getInt64();
    if (s.kind == SQLITE_FLOAT) s.real = c.getDouble();
    if (s.kind == SQLITE_TEXT || s.kind == SQLITE_BLOB)
        s.bytes.assign(static_cast<const char*>(c.getBlob()),
                       static_cast<std::size_t>(c.getBytes()));
    return s;
}

std::string written(const Stored& v) {
    switch (v.kind) {
        case SQLITE_NULL:
            return "null";
        case SQLITE_INTEGER:
            return std::to_string(v.integer);
        case SQLITE_FLOAT: {
            char buffer[64];
            const auto end = std::to_chars(buffer, buffer + sizeof buffer, v.real).ptr;
            std::string text(buffer, end);
            // Shortest exact form, marked as a real so 2.0 does not read back as 2.
            if (text.find_first_of(".en") == std::string::npos) text += ".0";
            return text;
        }
        case SQLITE_TEXT:
            return quotedText(v.bytes);
        default: {
            std::string out = "x'";
            for (unsigned char b : v.bytes) out += hex(b, 2);
            return out + "'";
        }
    }
}

std::string quotedName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string unquoted(const std::string& s, int line) {
    if (s.size() < 2 || s.front() != '"' || s.back() != '"')
        refuse(line, "a text must stand in double quotes");
    std::string out;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') refuse(line, "a quote inside a text must be written \\\"");
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 2 >= s.size()) refuse(line, "a backslash ends the text");
        const char e = s[++i];
        switch (e) {
            case '"':
            case '\\':
                out += e;
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u':
                appendUtf8(out, hexValue(s, i + 1, 4, line));
                i += 4;
                break;
            case 'x':
                out += static_cast<char>(hexValue(s, i + 1, 2, line));
                i += 2;
                break;
            default:
                refuse(line, std::string("unknown escape \\") + e);
        }
    }
    return out;
}

Stored parsedValue(const std::string& s, int line) {
    Stored v;
    if (s == "null") return v;
    if (!s.empty() && s.front() == '"') {
        v.kind = SQLITE_TEXT;
        v.bytes = unquoted(s, line);
        return v;
    }
    if (s.size() >= 3 && s[0] == 'x' && s[1] == '\'' && s.back() == '\'') {
        v.kind = SQLITE_BLOB;
        const std::string digits = s.substr(2, s.size() - 3);
        if (digits.size() % 2) refuse(line, "bytes x'...' need two hex digits each");
        for (std::size_t i = 0; i < digits.size(); i += 2)
            v.bytes += static_cast<char>(hexValue(digits, i, 2, line));
        return v;
    }
    const char* begin = s.data();
    const char* end = s.data() + s.size();
    if (s.find_first_of(".en") == std::string::npos) {
        v.kind = SQLITE_INTEGER;
        const auto [at, ec] = std::from_chars(begin, end, v.integer);
        if (ec == std::errc() && at == end) return v;
    } else {
        v.kind = SQLITE_FLOAT;
        const auto [at, ec] = std::from_chars(begin, end, v.real);
        if (ec == std::errc() && at == end) return v;
    }
    refuse(line, "\"" + s + "\" is no value: write null, a number, \"text\" or x'bytes'");
}

void bind(SQLite::Statement& st, int index, const Stored& v) {
    switch (v.kind) {
        case SQLITE_NULL:
            st.bind(index);
            break;
        case SQLITE_INTEGER:
            st.bind(index, static_cast<int64_t>(v.integer));
            break;
        case SQLITE_FLOAT:
            st.bind(index, v.real);
            break;
        case SQLITE_TEXT:
            st.bind(index, v.bytes);
            break;
        default:
            st.bind(index, v.bytes.data(), static_cast<int>(v.bytes.size()));
    }
}

}  // namespace nightaudit
