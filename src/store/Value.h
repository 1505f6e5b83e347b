#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nightaudit {

// One column value of a result row: Null, or a value with its text form.
class Value {
public:
    enum class Kind { Null, Integer, Real, Text };

    Value() = default;
    static Value null() { return Value(); }
    static Value integer(std::int64_t v) { return Value(Kind::Integer, std::to_string(v)); }
    static Value real(std::string textForm) { return Value(Kind::Real, std::move(textForm)); }
    static Value text(std::string v) { return Value(Kind::Text, std::move(v)); }

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    // The value's text form ("" for Null). Integers in plain decimal.
    const std::string& text() const { return m_text; }

private:
    Value(Kind kind, std::string text) : m_kind(kind), m_text(std::move(text)) {}
    Kind m_kind = Kind::Null;
    std::string m_text;
};

// The number of a value stored as an integer; nothing for Null, a real or a text,
// whatever the text reads as: in an untyped column the text "2" is not the integer 2.
inline std::optional<std::int64_t> storedInteger(const Value& value) {
    if (value.kind() != Value::Kind::Integer) return std::nullopt;
    return std::stoll(value.text());
}

// Null gives 0; otherwise the leading number of the text form, rounded
// half to even. Throws Error(err::Overflow) outside the 32-bit range.
std::int32_t leadingLongOrZero(const Value& value);

// Null gives exactly one blank " "; otherwise the text form.
std::string textOrBlank(const Value& value);

}  // namespace nightaudit
