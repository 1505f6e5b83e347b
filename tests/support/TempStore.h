#pragma once

// A task store in a temporary folder, made from the checked-in schema and the SQL a
// test gives. Tests read the file back with their own connection to see what changed.

#include <QFile>
#include <QString>
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
        // Made without syncs: hundreds of test stores would otherwise spend their
        // time waiting for the disk.
        db.exec("PRAGMA synchronous = OFF");
        db.exec(readFile(QStringLiteral(NIGHTAUDIT_DATA_DIR "/schema.sql")));
        if (!rows.empty()) db.exec(rows);
    }

    std::string path() const { return (m_dir.path() + "/db.mdb").toStdString(); }
    QString dir() const { return m_dir.path(); }

    // Runs SQL on a connection of the test's own.
    void exec(const std::string& sql) const {
        SQLite::Database db(path(), SQLite::OPEN_READWRITE);
        db.exec(sql);
    }

    // All rows of a query as one text, "a|b|c\n" per row, for whole-table comparisons.
    std::string dump(const std::string& sql) const {
        SQLite::Database db(path(), SQLite::OPEN_READONLY);
        SQLite::Statement q(db, sql);
        std::string out;
        while (q.executeStep()) {
            for (int i = 0; i < q.getColumnCount(); ++i) {
                if (i) out += '|';
                out += q.getColumn(i).isNull() ? std::string("<null>") : q.getColumn(i).getString();
            }
            out += '\n';
        }
        return out;
    }

    // Every row of every table, in key order: shows that nothing but the rows meant changed.
    std::string wholeStore() const {
        return dump("SELECT * FROM _config ORDER BY 1") +
               dump("SELECT * FROM tasksequence ORDER BY 1") +
               dump("SELECT * FROM task ORDER BY 1") +
               dump("SELECT * FROM keysequence ORDER BY 1") + dump("SELECT * FROM keys ORDER BY 1");
    }

private:
    QTemporaryDir m_dir;
};

}  // namespace nightaudit::test
