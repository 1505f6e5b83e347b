// export -> import -> export gives the same text, and the imported store the same rows.
#include <QTest>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <algorithm>

#include "core/Error.h"
#include "storetool/StoreText.h"
#include "support/ErrorOf.h"
#include "support/TempStore.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// Untyped columns keep whatever they are given: every column Null, and odd values.
const char* const kOddRows = R"(
DROP TABLE tasksequence; DROP TABLE task; DROP TABLE keysequence; DROP TABLE keys;
CREATE TABLE tasksequence (tasksequenceid, NAME, doafterinstructions, enabled, DISPLAYORDER);
CREATE TABLE task (TASKID, tasksequenceid, Name, WINDOWTITLE, enabled, TASKORDER);
CREATE TABLE keysequence (keysequenceID, TASKID, Name, enabled, enableday, waitbefore, waitafter, DISPLAYORDER);
CREATE TABLE keys (keysid, KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore, waitafter);
INSERT INTO tasksequence VALUES (NULL, NULL, NULL, NULL, NULL), (NULL, NULL, NULL, NULL, NULL),
 (9223372036854775807, '', ' lead and trail  ', -9223372036854775808, 2.5);
INSERT INTO task VALUES (1, 1e300, 'line one
line two', 'say "hi" it''s \n', 0.1, -0.0), ('12', x'00ff', 'Überprüfung ✓ 日本', char(9, 1, 127), 1, 1);
INSERT INTO keysequence VALUES (2.0, '1', 'a' || char(0) || 'b', CAST(x'ff41' AS TEXT), 'Mon', -1, 1e-7, NULL);
INSERT INTO keys VALUES (5, 2, 1, 0, '%c{TAB 3}', NULL, 0, 600), (5, 2, 1, 0, '%c{TAB 3}', NULL, 0, 600),
 (6, 2, 0.5, '10', 'x' || char(13) || char(10), x'', 3000000000, '2x');
INSERT INTO _config VALUES ('KEYDELAY', 25);
)";

// Every row of every table, each value with its kind, in a fixed order.
QStringList rowsOf(const std::string& path) {
    SQLite::Database db(path, SQLite::OPEN_READONLY);
    QStringList rows;
    for (const char* table : {"_config", "tasksequence", "task", "keysequence", "keys"}) {
        SQLite::Statement q(db, std::string("SELECT * FROM ") + table);
        while (q.executeStep()) {
            QString row = table;
            for (int i = 0; i < q.getColumnCount(); ++i) {
                const SQLite::Column c = q.getColumn(i);
                row += QStringLiteral("|%1:%2")
                           .arg(c.getType())
                           .arg(c.isFloat() ? QString::number(c.getDouble(), 'g', 17)
                                            : QString::fromLatin1(
                                                  QByteArray(static_cast<const char*>(c.getBlob()),
                                                             c.getBytes())
                                                      .toHex()));
            }
            rows << row;
        }
    }
    rows.sort();
    return rows;
}

}  // namespace

class TestStoreText : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data() {
        QTest::addColumn<QString>("rows");
        QTest::newRow("demo") << QString::fromStdString(readFile(NIGHTAUDIT_DATA_DIR "/demo.sql"));
        QTest::newRow("odd values") << kOddRows;
        QTest::newRow("reals in integer columns")
            << QString::fromStdString(readFile(NIGHTAUDIT_DATA_DIR "/demo.sql")) +
                   "UPDATE keys SET KEYORDER = 2.5, waitafter = 1e300 WHERE keysid = 2;"
                   "UPDATE keysequence SET waitbefore = 0.1, enabled = '1x' WHERE keysequenceID = "
                   "1;";
    }
    void roundTrip() {
        QFETCH(QString, rows);
        TempStore original(rows.toStdString());
        const std::string text = StoreText::exportStore(original.path());
        const std::string copy = original.dir().toStdString() + "/copy.mdb";
        StoreText::importText(text, copy);
        QCOMPARE(StoreText::exportStore(copy), text);
        QCOMPARE(rowsOf(copy), rowsOf(original.path()));
        QVERIFY(rowsOf(copy).size() > 5);
        // Import never writes over a store that is there.
        const TempStore empty;
        const std::string before = empty.wholeStore();
        QCOMPARE(errorOf([&] { StoreText::importText(text, empty.path()); }).number,
                 err::PathFileAccess);
        QCOMPARE(empty.wholeStore(), before);
    }

    // A text that does not read back is refused by its line, and no store is left behind.
    void refused_data() {
        QTest::addColumn<QString>("change");  // "old => new" in the demo's text
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("lineOf");  // the line named holds this after the change
        const auto row = [](const char* name, const char* change, const char* said,
                            const char* lineOf = "") {
            QTest::newRow(name) << QString(change) << QString(said) << QString(lineOf);
        };
        // clang-format off
        row("not a line", "[keys] => keys here", "expected");
        row("bad escape", "\"%c\" => \"%\\qc\"", "unknown escape \\q");
        row("no value", "keytype = 0 => keytype = zero", "is no value");
        row("typed column", "keytype = 0 => keytype = \"0\"", "would be stored as 0");
        row("no such column", "keypurpose = null => colour = null", "has no column colour");
        row("unclosed text", "\"%c\" => \"%c", "double quotes");
        row("two statements", "KEYORDER)\" => KEYORDER); ATTACH 'x' AS y\"", "one CREATE statement");
        row("no table", "schema \"CREATE TABLE _config => # ", "no table _config", "[_config]");
        // clang-format on
    }
    void refused() {
        QFETCH(QString, change);
        QFETCH(QString, said);
        QFETCH(QString, lineOf);
        TempStore original(readFile(NIGHTAUDIT_DATA_DIR "/demo.sql"));
        QString text = QString::fromStdString(StoreText::exportStore(original.path()));
        const QString from = change.section(" => ", 0, 0);
        QVERIFY(text.indexOf(from) > 0);
        text.replace(text.indexOf(from), from.size(), change.section(" => ", 1));
        const qsizetype at = text.indexOf(lineOf.isEmpty() ? change.section(" => ", 1) : lineOf);
        const QString line = QStringLiteral("line %1: ").arg(text.left(at).count('\n') + 1);
        const std::string copy = original.dir().toStdString() + "/copy.mdb";
        const Thrown e = errorOf([&] { StoreText::importText(text.toStdString(), copy); });
        QVERIFY2(e.text.startsWith(line) && e.text.contains(said), qPrintable(line + e.text));
        QVERIFY(!QFile::exists(QString::fromStdString(copy)));
    }
};

QTEST_MAIN(TestStoreText)
#include "TestStoreText.moc"
