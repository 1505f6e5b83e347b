#pragma once

#include <cstdint>
#include <string>

namespace SQLite {
class Column;
class Statement;
}  // namespace SQLite

namespace nightaudit {

// A value as stored: its kind and its exact content.
struct Stored {
    Stored();  // null
    // Same kind and content; reals compare by bits that matter (sign of zero, NaN).
    bool operator==(const Stored& other) const;

    int kind;  // the engine's type code (SQLITE_NULL, SQLITE_INTEGER, ... in sqlite3.h)
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes;
};

Stored storedOf(const SQLite::Column& column);
// A text in double quotes with \" \\ \n \r \t \uXXXX \xHH escapes; UTF-8 kept as it is.
std::string quotedText(const std::string& text);
// A value as the store text writes it: null, 12, 2.5, "text" with escapes, x'0a1b'.
std::string written(const Stored& value);
// A table or column name as an SQL identifier, in double quotes.
std::string quotedName(const std::string& name);

// Reads back what quotedText() wrote; throws Error naming `line` for anything else.
std::string unquoted(const std::string& quoted, int line);
// Reads back what written() wrote; throws Error naming `line` for anything else.
Stored parsedValue(const std::string& text, int line);
// Binds a value to a statement's parameter as the kind it is stored as.
void bind(SQLite::Statement& statement, int index, const Stored& value);
// Throws Error(err::InvalidArgument) "line N: why".
[[noreturn]] void refuse(int line, const std::string& why);

}  // namespace nightaudit
