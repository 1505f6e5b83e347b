#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/Value.h"

namespace SQLite {
class Column;
class Database;
}  // namespace SQLite

namespace nightaudit {

// Every row of one table as stored (types kept), in rowid order.
struct StoreTable {
    std::string name;
    std::vector<std::string> columns;  // as declared
    struct Row {
        std::int64_t rowid = 0;
        std::vector<Value> values;  // one per column
    };
    std::vector<Row> rows;

    // The index of a column, names compared without regard to case; -1 when none.
    int column(std::string_view name) const;
    // The value of `column` in `row`; Null when the table has no such column.
    Value value(const Row& row, std::string_view column) const;
};

// The four tables of the tree, read whole. Throws Error(err::Store + code) when a table
// is missing or cannot be read.
struct StoreTables {
    StoreTable taskSequences, tasks, keySequences, keys;

    static StoreTables read(SQLite::Database& db);
    static StoreTable readTable(SQLite::Database& db, const std::string& name);
};

// A column value as this program reads it: Null, an integer, a real with its text form,
// or the bytes of a text or blob.
Value valueOf(const SQLite::Column& column);

}  // namespace nightaudit
