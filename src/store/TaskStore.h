#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Value.h"

namespace SQLite {
class Database;
class Statement;
}  // namespace SQLite

namespace nightaudit {

// A forward-only, read-only result positioned on its first row. Column lookup by
// name ignores case and also finds a column by its origin name, so "waitafter"
// finds the column the engine renamed "waitafter:1" in a join. Reading past the
// end or a column the statement did not return throws Error.
class Cursor {
public:
    explicit Cursor(std::unique_ptr<SQLite::Statement> statement);
    Cursor(Cursor&&) noexcept;
    Cursor& operator=(Cursor&&) noexcept;
    ~Cursor();

    bool eof() const { return m_eof; }
    void next();
    Value value(std::string_view column) const;
    void close();

private:
    int columnIndex(std::string_view column) const;
    int remember(std::string_view column, int index) const;

    std::unique_ptr<SQLite::Statement> m_statement;
    bool m_eof = true;
    // Column names asked for so far and where they were found: a tree load asks for the
    // same few names on every row.
    mutable std::vector<std::pair<std::string, int>> m_columns;
};

// The task store: the one connection to db.mdb. Statements run as the text given.
// Failures throw Error numbered err::Store + the engine's result code, with the
// engine's message.
class TaskStore {
public:
    // Opens an existing file read-write; never creates one. A locked store is
    // waited for up to `busyTimeoutMs` before a statement fails.
    explicit TaskStore(const std::string& path, int busyTimeoutMs = 5000);
    ~TaskStore();
    TaskStore(const TaskStore&) = delete;
    TaskStore& operator=(const TaskStore&) = delete;

    Cursor query(const std::string& sql);
    // Runs an update; returns the number of rows changed.
    int execute(const std::string& sql);

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::unique_ptr<SQLite::Database> m_db;
};

}  // namespace nightaudit
