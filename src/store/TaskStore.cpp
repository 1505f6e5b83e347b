#include "TaskStore.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <strings.h>

#include <cstring>

#include "LeadingNumber.h"
#include "core/Error.h"

namespace nightaudit {
namespace {

// The engine's own words for a busy or read-only file ("database is locked") do not
// tell a clerk that nothing was saved or what to do; those two get a sentence of
// their own, with the engine's text kept at the end for whoever looks further.
std::string describe(int code, const char* engineMessage) {
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return std::string(
                       "The task store is busy: another program is writing to it and "
                       "kept it locked too long. Nothing was changed; try again when "
                       "that program has finished (") +
                   engineMessage + ")";
        case SQLITE_READONLY:
            return std::string(
                       "The task store is read-only, so the change cannot be saved. "
                       "Nothing was changed (") +
                   engineMessage + ")";
        default:
            return engineMessage;
    }
}

[[noreturn]] void rethrow(const SQLite::Exception& e) {
    throw Error(err::Store + e.getErrorCode(), describe(e.getErrorCode(), e.what()));
}

bool sameName(const char* a, std::string_view b) {
    return a && std::strlen(a) == b.size() && strncasecmp(a, b.data(), b.size()) == 0;
}

}  // namespace

std::int32_t NullSafeLong(const Value& value) {
    if (value.isNull()) return 0;
    return leadingLong(value.text());
}

std::string NullSafeString(const Value& value) {
    if (value.isNull()) return " ";
    return value.text();
}

Cursor::Cursor(std::unique_ptr<SQLite::Statement> statement) : m_statement(std::move(statement)) {
    next();
}

Cursor::Cursor(Cursor&&) noexcept = default;
Cursor& Cursor::operator=(Cursor&&) noexcept = default;
Cursor::~Cursor() = default;

void Cursor::next() {
    if (!m_statement) throw Error(err::Store + SQLITE_MISUSE, "The result is closed");
    try {
        m_eof = !m_statement->executeStep();
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

void Cursor::close() {
    m_statement.reset();
    m_eof = true;
}

int Cursor::columnIndex(std::string_view column) const {
    for (const auto& [name, index] : m_columns) {
        if (name == column) return index;
    }
    const int count = m_statement->getColumnCount();
    for (int i = 0; i < count; ++i) {
        if (sameName(m_statement->getColumnName(i), column)) return remember(column, i);
    }
    for (int i = 0; i < count; ++i) {
        if (sameName(m_statement->getColumnOriginName(i), column)) return remember(column, i);
    }
    throw Error(err::Store + SQLITE_RANGE,
                "Item cannot be found: the result has no column " + std::string(column));
}

int Cursor::remember(std::string_view column, int index) const {
    m_columns.emplace_back(column, index);
    return index;
}

Value Cursor::value(std::string_view column) const {
    if (!m_statement || m_eof) {
        throw Error(
            err::Store + SQLITE_MISUSE,
            "No current row: the result is at its end (column " + std::string(column) + ")");
    }
    const int i = columnIndex(column);
    try {
        const SQLite::Column c = m_statement->getColumn(i);
        switch (c.getType()) {
            case SQLITE_NULL:
                return Value::null();
            case SQLITE_INTEGER:
                return Value::integer(c.getInt64());
            case SQLITE_FLOAT:
                return Value::real(c.getText());
            default:
                return Value::text(std::string(static_cast<const char*>(c.getBlob()),
                                               static_cast<std::size_t>(c.getBytes())));
        }
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

TaskStore::TaskStore(const std::string& path, int busyTimeoutMs) : m_path(path) {
    try {
        m_db = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READWRITE, busyTimeoutMs);
        // Reading the schema now makes a file that is not a database fail at open,
        // not at the first statement.
        m_db->exec("SELECT count(*) FROM sqlite_master");
    } catch (const SQLite::Exception& e) {
        m_db.reset();
        rethrow(e);
    }
}

TaskStore::~TaskStore() = default;

Cursor TaskStore::query(const std::string& sql) {
    try {
        return Cursor(std::make_unique<SQLite::Statement>(*m_db, sql));
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

int TaskStore::execute(const std::string& sql) {
    try {
        return m_db->exec(sql);
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

}  // namespace nightaudit
