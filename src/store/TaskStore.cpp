#include "TaskStore.h"

#include "ColumnValue.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <strings.h>

#include <charconv>
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

// Integers and reals are bound as the numbers their text forms (as the engine wrote them,
// whatever the locale) say.
void bind(SQLite::Statement& st, int index, const Value& value) {
    const std::string& text = value.text();
    switch (value.kind()) {
        case Value::Kind::Null:
            st.bind(index);
            return;
        case Value::Kind::Integer: {
            std::int64_t n = 0;
            std::from_chars(text.data(), text.data() + text.size(), n);
            st.bind(index, n);
            return;
        }
        case Value::Kind::Real: {
            double d = 0;
            std::from_chars(text.data(), text.data() + text.size(), d);
            st.bind(index, d);
            return;
        }
        case Value::Kind::Text:
            st.bind(index, text);
            return;
    }
}

std::unique_ptr<SQLite::Statement> prepare(SQLite::Database& db, const Sql& sql) {
    auto st = std::make_unique<SQLite::Statement>(db, sql.text);
    for (std::size_t i = 0; i < sql.values.size(); ++i) {
        bind(*st, static_cast<int>(i) + 1, sql.values[i]);
    }
    return st;
}

bool sameName(const char* a, std::string_view b) {
    return a && std::strlen(a) == b.size() && strncasecmp(a, b.data(), b.size()) == 0;
}

}  // namespace

std::int32_t leadingLongOrZero(const Value& value) {
    if (value.isNull()) return 0;
    return leadingLong(value.text());
}

std::string textOrBlank(const Value& value) {
    if (value.isNull()) return " ";
    return value.text();
}

// A prepared statement with the column names asked of it so far and where they were found
// (a tree load asks for the same few names on every row), and a count of its runs so a
// cursor of an earlier run is not read by mistake.
struct PreparedStatement {
    // A column reads whatever row the statement is on, so one object serves every row
    // (making one per read would cost two atomic counts of the statement's owner).
    struct Column {
        std::string name;
        SQLite::Column column;
    };
    std::unique_ptr<SQLite::Statement> statement;
    std::vector<Column> columns;
    unsigned runs = 0;
};

Cursor::Cursor(std::unique_ptr<SQLite::Statement> statement)
    : m_owned(std::make_unique<PreparedStatement>()), m_prepared(m_owned.get()) {
    m_owned->statement = std::move(statement);
    next();
}

Cursor::Cursor(PreparedStatement& shared) : m_prepared(&shared), m_run(shared.runs) {
    next();
}

Cursor::Cursor(Cursor&&) noexcept = default;
Cursor& Cursor::operator=(Cursor&&) noexcept = default;
Cursor::~Cursor() = default;

SQLite::Statement& Cursor::statement() const {
    if (!m_prepared || !m_prepared->statement) {
        throw Error(err::Store + SQLITE_MISUSE, "The result is closed");
    }
    if (m_prepared->runs != m_run) {
        throw Error(err::Store + SQLITE_MISUSE, "The result was replaced by a later run");
    }
    return *m_prepared->statement;
}

void Cursor::next() {
    SQLite::Statement& st = statement();
    try {
        m_eof = !st.executeStep();
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

void Cursor::close() {
    m_owned.reset();
    m_prepared = nullptr;
    m_eof = true;
}

const SQLite::Column& Cursor::column(std::string_view name) const {
    auto& columns = m_prepared->columns;
    for (const auto& c : columns) {
        if (c.name == name) return c.column;
    }
    const SQLite::Statement& st = *m_prepared->statement;
    const int count = st.getColumnCount();
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
        if (sameName(st.getColumnName(i), name)) found = i;
    }
    for (int i = 0; i < count && found < 0; ++i) {
        if (sameName(st.getColumnOriginName(i), name)) found = i;
    }
    if (found < 0) {
        throw Error(err::Store + SQLITE_RANGE,
                    "Item cannot be found: the result has no column " + std::string(name));
    }
    try {
        columns.push_back({std::string(name), st.getColumn(found)});
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
    return columns.back().column;
}

Value columnValue(const SQLite::Column& c) {
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
}

SQLite::Statement& Cursor::onRow(std::string_view column) const {
    if (!m_prepared || !m_prepared->statement || m_eof) {
        throw Error(
            err::Store + SQLITE_MISUSE,
            "No current row: the result is at its end (column " + std::string(column) + ")");
    }
    return statement();
}

Value Cursor::value(std::string_view column) const {
    onRow(column);
    const SQLite::Column& c = this->column(column);
    try {
        return columnValue(c);
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

std::string_view Cursor::text(std::string_view name) const {
    onRow(name);
    const SQLite::Column& c = column(name);
    const char* text = c.getText(nullptr);  // before the length: it may convert the value
    if (text) return {text, static_cast<std::size_t>(c.getBytes())};
    return c.isNull() ? std::string_view() : std::string_view("", 0);  // an empty blob
}

TaskStore::TaskStore(const std::string& path, int busyTimeoutMs, Access access) : m_path(path) {
    try {
        // One thread at a time uses the connection (the tree load's reader while the
        // load lasts, else the window's thread), so the engine need not lock it per call.
        m_db = std::make_unique<SQLite::Database>(
            path,
            (access == Access::ReadOnly ? SQLite::OPEN_READONLY : SQLite::OPEN_READWRITE) |
                SQLite::OPEN_NOMUTEX,
            busyTimeoutMs);
        // Reading the schema now makes a file that is not a database fail at open,
        // not at the first statement.
        m_db->exec("SELECT count(*) FROM sqlite_master");
    } catch (const SQLite::Exception& e) {
        m_db.reset();
        rethrow(e);
    }
}

TaskStore::~TaskStore() = default;

Cursor TaskStore::query(const Sql& sql) {
    try {
        return Cursor(prepare(*m_db, sql));
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

ReusableQuery::ReusableQuery(TaskStore& store, const std::string& text)
    : m_prepared(std::make_unique<PreparedStatement>()) {
    try {
        m_prepared->statement = std::make_unique<SQLite::Statement>(*store.m_db, text);
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

ReusableQuery::ReusableQuery(ReusableQuery&&) noexcept = default;
ReusableQuery::~ReusableQuery() = default;

Cursor ReusableQuery::run(const Value& value) {
    SQLite::Statement& st = *m_prepared->statement;
    try {
        st.reset();
        bind(st, 1, value);
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
    ++m_prepared->runs;
    return Cursor(*m_prepared);
}

int TaskStore::execute(const Sql& sql) {
    try {
        if (sql.values.empty()) return m_db->exec(sql.text);
        return prepare(*m_db, sql)->exec();
    } catch (const SQLite::Exception& e) {
        rethrow(e);
    }
}

}  // namespace nightaudit
