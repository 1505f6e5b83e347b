#pragma once

// A task store in a temporary folder, made from the checked-in schema and the SQL a
// test gives; tests read it back with connections of their own.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <SQLiteCpp/Database.h>

#include <string>

namespace nightaudit::test {

inline std::string readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
    return f.readAll().toStdString();
}

class TempStore {
public:
    explicit TempStore(const std::string& rows = {}) {
        if (!m_dir.isValid()) qFatal("no temporary folder");
        SQLite::Database db(path(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("PRAGMA synchronous = OFF");  // hundreds of stores would wait for the disk
        db.exec(readFile(QStringLiteral(NIGHTAUDIT_DATA_DIR "/schema.sql")) + rows);
    }
    std::string path() const { return (m_dir.path() + "/db.mdb").toStdString(); }
    QString dir() const { return m_dir.path(); }
    void exec(const std::string& sql) const {
        SQLite::Database(path(), SQLite::OPEN_READWRITE).exec(sql);
    }

    // All rows of a query as "a|b|c\n" per row, for whole-table comparisons.
    std::string dump(const std::string& sql) const {
        SQLite::Database db(path(), SQLite::OPEN_READONLY);
        SQLite::Statement q(db, sql);
        std::string out;
        while (q.executeStep())
            for (int i = 0; i < q.getColumnCount(); ++i)
                out +=
                    (q.getColumn(i).isNull() ? std::string("<null>") : q.getColumn(i).getString()) +
                    (i + 1 < q.getColumnCount() ? "|" : "\n");
        return out;
    }
    // Every row of every table: shows that nothing but the rows meant changed.
    std::string wholeStore() const {
        std::string out;
        for (const char* t : {"_config", "tasksequence", "task", "keysequence", "keys"})
            out += dump(std::string("SELECT * FROM ") + t + " ORDER BY 1");
        return out;
    }

private:
    QTemporaryDir m_dir;
};

}  // namespace nightaudit::test
