#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Sql.h"
#include "Value.h"

namespace SQLite {
class Column;
class Database;
class Statement;
}  // namespace SQLite

namespace nightaudit {

struct PreparedStatement;

// A forward-only, read-only result positioned on its first row. Column lookup by
// name ignores case and also finds a column by its origin name, so "waitafter"
// finds the column the engine renamed "waitafter:1" in a join. Reading past the
// end or a column the statement did not return throws Error.
class Cursor {
public:
    explicit Cursor(std::unique_ptr<SQLite::Statement> statement);
    // A cursor over a statement that a ReusableQuery keeps; it is valid until that query
    // runs again (reading it afterwards throws Error).
    explicit Cursor(PreparedStatement& shared);
    Cursor(Cursor&&) noexcept;
    Cursor& operator=(Cursor&&) noexcept;
    ~Cursor();

    bool eof() const { return m_eof; }
    void next();
    Value value(std::string_view column) const;
    // The column's text form (as value() gives it) without a copy, valid until the cursor
    // moves. Null gives an empty view without data (`data() == nullptr`).
    std::string_view text(std::string_view column) const;
    void close();

private:
    // The statement, checked to be on a row.
    SQLite::Statement& onRow(std::string_view column) const;
    // The column found by name (see above); throws Error when there is none.
    const SQLite::Column& column(std::string_view name) const;
    SQLite::Statement& statement() const;

    std::unique_ptr<PreparedStatement> m_owned;
    PreparedStatement* m_prepared = nullptr;
    unsigned m_run = 0;  // which run of a shared statement this cursor reads
    bool m_eof = true;
};

class TaskStore;

// One query text with a single `?`, prepared once and run for many values: the tree load
// runs the same task and key-sequence queries once per parent row, and preparing the text
// is most of their cost. Only the newest cursor of a query may be read.
class ReusableQuery {
public:
    ReusableQuery(TaskStore& store, const std::string& textWithOneValue);
    ReusableQuery(ReusableQuery&&) noexcept;
    ~ReusableQuery();

    Cursor run(const Value& value);

private:
    std::unique_ptr<PreparedStatement> m_prepared;
};

// The task store: the one connection to db.mdb. Statements run as the text given, with
// their values bound. Failures throw Error numbered err::Store + the engine's result code,
// with the engine's message.
class TaskStore {
public:
    enum class Access { ReadWrite, ReadOnly };

    // Opens an existing file; never creates one. A locked store is waited for up to
    // `busyTimeoutMs` before a statement fails. A read-only store refuses every change.
    explicit TaskStore(const std::string& path, int busyTimeoutMs = 5000,
                       Access access = Access::ReadWrite);
    ~TaskStore();
    TaskStore(const TaskStore&) = delete;
    TaskStore& operator=(const TaskStore&) = delete;

    Cursor query(const Sql& sql);
    // Runs an update; returns the number of rows changed. A text without values may hold
    // several statements.
    int execute(const Sql& sql);

    const std::string& path() const { return m_path; }

private:
    friend class ReusableQuery;

    std::string m_path;
    std::unique_ptr<SQLite::Database> m_db;
};

}  // namespace nightaudit
