#include "StoreTables.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <strings.h>

#include "core/Error.h"
#include "store/ColumnValue.h"

namespace nightaudit {

int StoreTable::column(std::string_view name) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].size() == name.size() &&
            strncasecmp(columns[i].data(), name.data(), name.size()) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Value StoreTable::value(const Row& row, std::string_view name) const {
    const int i = column(name);
    return i < 0 ? Value::null() : row.values[static_cast<std::size_t>(i)];
}

StoreTable StoreTables::readTable(SQLite::Database& db, const std::string& name) {
    StoreTable table;
    table.name = name;
    try {
        SQLite::Statement q(db, "SELECT rowid, * FROM \"" + name + "\" ORDER BY rowid");
        for (int i = 1; i < q.getColumnCount(); ++i) table.columns.push_back(q.getColumnName(i));
        while (q.executeStep()) {
            StoreTable::Row row;
            row.rowid = q.getColumn(0).getInt64();
            for (int i = 1; i < q.getColumnCount(); ++i) {
                row.values.push_back(columnValue(q.getColumn(i)));
            }
            table.rows.push_back(std::move(row));
        }
    } catch (const SQLite::Exception& e) {
        throw Error(err::Store + e.getErrorCode(),
                    "The table " + name + " cannot be read: " + e.what());
    }
    return table;
}

StoreTables StoreTables::read(SQLite::Database& db) {
    return {readTable(db, "tasksequence"), readTable(db, "task"), readTable(db, "keysequence"),
            readTable(db, "keys")};
}

}  // namespace nightaudit
