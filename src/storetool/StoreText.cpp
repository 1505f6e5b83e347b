#include "StoreText.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

#include "core/Error.h"

namespace nightaudit {
namespace {

// A value as stored: its kind and its exact content.
struct Stored {
    int kind = SQLITE_NULL;  // SQLITE_NULL, SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes;

    bool operator==(const Stored& o) const {
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
};

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

// The tables of the tree and how their rows are ordered: parents' order, then their own
// order and id; the rowid decides between rows equal in all of these.
struct TableOrder {
    const char* name;
    const char* orderBy;
};
constexpr TableOrder kOrders[] = {
    {"_config", "entry"},
    {"tasksequence", "DISPLAYORDER, tasksequenceid"},
    {"task", "tasksequenceid, TASKORDER, TASKID"},
    {"keysequence", "TASKID, DISPLAYORDER, keysequenceID"},
    {"keys", "KEYSEQUENCEID, KEYORDER, keysid"},
};

std::vector<std::string> tablesOf(SQLite::Database& db) {
    std::vector<std::string> known, others;
    SQLite::Statement q(db,
                        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                        "'sqlite\\_%' ESCAPE '\\' ORDER BY name");
    while (q.executeStep()) others.push_back(q.getColumn(0).getString());
    for (const TableOrder& t : kOrders) {
        for (auto it = others.begin(); it != others.end(); ++it) {
            if (strcasecmp(it->c_str(), t.name) == 0) {
                known.push_back(*it);
                others.erase(it);
                break;
            }
        }
    }
    known.insert(known.end(), others.begin(), others.end());
    return known;
}

// The ORDER BY of a table: its known order when it has those columns, then the rowid.
std::string orderOf(SQLite::Database& db, const std::string& table) {
    for (const TableOrder& t : kOrders) {
        if (strcasecmp(table.c_str(), t.name) != 0) continue;
        try {
            SQLite::Statement probe(
                db, "SELECT " + std::string(t.orderBy) + " FROM " + quotedName(table) + " LIMIT 0");
            return std::string(t.orderBy) + ", rowid";
        } catch (const SQLite::Exception&) {
            break;  // a store of another shape: rowid order alone
        }
    }
    return "rowid";
}

// --- reading a text back ---

struct Line {
    int number;
    std::string text;
};

[[noreturn]] void refuse(int line, const std::string& why) {
    throw Error(err::InvalidArgument, "line " + std::to_string(line) + ": " + why);
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

struct Block {
    int line = 0;
    std::string table;
    std::vector<std::pair<std::string, std::pair<int, Stored>>> columns;  // name, line, value
};

std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
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

// Runs one schema line: a single CREATE statement and nothing else, so a text cannot
// attach, write or remove files or run pragmas when it is imported.
void createOnly(SQLite::Database& db, const std::string& sql, int line) {
    const std::string head = trimmed(sql).substr(0, 7);
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db.getHandle(), sql.c_str(), static_cast<int>(sql.size()),
                                      &statement, &tail);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(statement, sqlite3_finalize);
    if (rc != SQLITE_OK) refuse(line, sqlite3_errmsg(db.getHandle()));
    if (strcasecmp(head.c_str(), "CREATE ") != 0 || !trimmed(std::string(tail)).empty() ||
        !statement) {
        refuse(line, "a schema line holds one CREATE statement and nothing else");
    }
    if (sqlite3_step(statement) != SQLITE_DONE) refuse(line, sqlite3_errmsg(db.getHandle()));
}

}  // namespace

std::string StoreText::exportStore(const std::string& storePath) {
    try {
        SQLite::Database db(storePath, SQLite::OPEN_READONLY);
        std::ostringstream out;
        out << "# A night audit task store, written by nightaudit-store export.\n"
               "# Values: null, 12, 2.5, \"text\" (\\\" \\\\ \\n \\r \\t \\uXXXX \\xHH), "
               "x'0a1b' (bytes).\n"
               "# Make a store of it with: nightaudit-store import THIS-FILE NEW-STORE\n\n";
        SQLite::Statement schema(db,
                                 "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL AND name NOT "
                                 "LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid");
        while (schema.executeStep())
            out << "schema " << quotedText(schema.getColumn(0).getString()) << '\n';
        for (const std::string& table : tablesOf(db)) {
            SQLite::Statement rows(
                db, "SELECT * FROM " + quotedName(table) + " ORDER BY " + orderOf(db, table));
            while (rows.executeStep()) {
                out << "\n[" << table << "]\n";
                for (int i = 0; i < rows.getColumnCount(); ++i)
                    out << rows.getColumnName(i) << " = " << written(storedOf(rows.getColumn(i)))
                        << '\n';
            }
        }
        return out.str();
    } catch (const SQLite::Exception& e) {
        throw Error(err::Store + e.getErrorCode(),
                    "The store " + storePath + " cannot be read: " + e.what());
    }
}

void StoreText::importText(const std::string& text, const std::string& newStorePath) {
    std::vector<std::pair<int, std::string>> schema;
    std::vector<Block> blocks;
    std::istringstream lines(text);
    std::string raw;
    for (int number = 1; std::getline(lines, raw); ++number) {
        const std::string line = trimmed(raw);
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("schema ", 0) == 0) {
            if (!blocks.empty()) refuse(number, "the schema must come before the first row");
            schema.emplace_back(number, unquoted(trimmed(line.substr(7)), number));
        } else if (line.front() == '[' && line.back() == ']') {
            blocks.push_back({number, line.substr(1, line.size() - 2), {}});
        } else if (const auto eq = line.find(" = "); eq != std::string::npos && !blocks.empty()) {
            const std::string name = line.substr(0, eq);
            for (const auto& c : blocks.back().columns)
                if (strcasecmp(c.first.c_str(), name.c_str()) == 0)
                    refuse(number, "the column " + name + " is given twice");
            blocks.back().columns.push_back(
                {name, {number, parsedValue(trimmed(line.substr(eq + 3)), number)}});
        } else {
            refuse(number, "expected \"schema ...\", \"[table]\" or \"column = value\"");
        }
    }
    if (schema.empty()) refuse(1, "the text holds no schema: it is not an exported store");

    // O_EXCL: a store that exists, even one made a moment ago by someone else, is never opened.
    const int fd = ::open(newStorePath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) {
        throw Error(err::PathFileAccess, "The new store " + newStorePath +
                                             " cannot be made (it exists, or the folder cannot be "
                                             "written): import makes new stores only");
    }
    ::close(fd);
    try {
        SQLite::Database db(newStorePath, SQLite::OPEN_READWRITE);
        SQLite::Transaction transaction(db);
        int line = 0;
        try {
            for (const auto& [number, sql] : schema) {
                line = number;
                createOnly(db, sql, number);
            }
            std::map<std::string, std::vector<std::string>> columnsOf;
            for (const Block& b : blocks) {
                line = b.line;
                auto known = columnsOf.find(b.table);
                if (known == columnsOf.end()) {
                    std::vector<std::string> names;
                    SQLite::Statement info(db, "SELECT name FROM pragma_table_info(?)");
                    info.bind(1, b.table);
                    while (info.executeStep()) names.push_back(info.getColumn(0).getString());
                    if (names.empty()) refuse(b.line, "the schema has no table " + b.table);
                    known = columnsOf.emplace(b.table, std::move(names)).first;
                }
                for (const auto& [name, given] : b.columns) {
                    if (std::none_of(known->second.begin(), known->second.end(),
                                     [&](const std::string& n) {
                                         return strcasecmp(n.c_str(), name.c_str()) == 0;
                                     })) {
                        refuse(given.first, "the table " + b.table + " has no column " + name);
                    }
                }
                std::string names, marks;
                for (const auto& c : b.columns) {
                    names += (names.empty() ? "" : ", ") + quotedName(c.first);
                    marks += marks.empty() ? "?" : ", ?";
                }
                SQLite::Statement insert(
                    db, b.columns.empty() ? "INSERT INTO " + quotedName(b.table) + " DEFAULT VALUES"
                                          : "INSERT INTO " + quotedName(b.table) + " (" + names +
                                                ") VALUES (" + marks + ")");
                for (std::size_t i = 0; i < b.columns.size(); ++i)
                    bind(insert, static_cast<int>(i) + 1, b.columns[i].second.second);
                insert.exec();
                SQLite::Statement back(db, "SELECT " + (names.empty() ? std::string("1") : names) +
                                               " FROM " + quotedName(b.table) + " WHERE rowid = " +
                                               std::to_string(db.getLastInsertRowid()));
                back.executeStep();
                for (std::size_t i = 0; i < b.columns.size(); ++i) {
                    const Stored stored = storedOf(back.getColumn(static_cast<int>(i)));
                    const auto& [name, given] = b.columns[i];
                    if (!(stored == given.second)) {
                        refuse(given.first, b.table + "." + name + " = " + written(given.second) +
                                                " would be stored as " + written(stored) +
                                                " (the column's type changes it)");
                    }
                }
            }
        } catch (const SQLite::Exception& e) {
            refuse(line, e.what());
        }
        transaction.commit();
    } catch (...) {
        std::remove(newStorePath.c_str());
        std::remove((newStorePath + "-journal").c_str());
        throw;
    }
}

}  // namespace nightaudit
