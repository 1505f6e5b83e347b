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

#include "StoredValue.h"
#include "core/Error.h"

namespace nightaudit {
namespace {

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
                                               " FROM " + quotedName(b.table) + " WHERE rowid = ?");
                back.bind(1, db.getLastInsertRowid());
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
