#include "WholeNumber.h"

#include "core/Error.h"
#include "core/Rounding.h"
#include "store/LeadingNumber.h"

namespace nightaudit {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// [sign] digits [. digits] with blanks around it and nothing else.
bool isNumberText(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && isDigit(text[i])) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        std::size_t fraction = 0;
        while (i < n && isDigit(text[i])) ++i, ++fraction;
        if (fraction == 0) return false;
        digits += fraction;
    }
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    return digits > 0 && i == n;
}

std::string nullSafeText(const Value& value, const std::string& what) {
    if (value.isNull()) throw Error(err::TypeMismatch, "Type mismatch: " + what + " is Null");
    return value.text();
}

}  // namespace

double strictNumber(const std::string& text, const std::string& what) {
    if (!isNumberText(text)) {
        throw Error(err::TypeMismatch,
                    "Type mismatch: " + what + " \"" + text + "\" is not a number");
    }
    return leadingNumber(text);
}

std::optional<int> keyTypeNumber(const Value& value) {
    if (value.isNull()) return std::nullopt;
    const double number = strictNumber(value.text(), "the key type");
    for (int type = 0; type <= 12; ++type) {
        if (number == type) return type;
    }
    return std::nullopt;
}

std::int16_t wholeNumber16(const std::string& text, const std::string& what) {
    return roundHalfEvenTo<std::int16_t>(strictNumber(text, what), [&] {
        return "Overflow: " + what + " " + text + " does not fit a 16-bit number";
    });
}

std::int16_t wholeNumber16(const Value& value, const std::string& what) {
    return wholeNumber16(nullSafeText(value, what), what);
}

std::int32_t wholeNumber32(const Value& value, const std::string& what) {
    const std::string text = nullSafeText(value, what);
    return roundHalfEvenTo<std::int32_t>(strictNumber(text, what), [&] {
        return "Overflow: " + what + " " + text + " does not fit a 32-bit number";
    });
}

}  // namespace nightaudit
