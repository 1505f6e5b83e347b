// `nightaudit-store check` on the demo store with one fault each: the first line names the
// row, the exit status says whether anything was found.
#include <QTest>

#include <sstream>

#include "storetool/StoreCommands.h"
#include "support/TempStore.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const std::string kDemo = readFile(NIGHTAUDIT_DATA_DIR "/demo.sql");
const char* const kUntypedKeys =
    "DROP TABLE keys; CREATE TABLE keys (keysid, KEYSEQUENCEID, KEYORDER, keytype, keytext, "
    "keypurpose, waitbefore, waitafter);";

}  // namespace

class TestStoreChecker : public QObject {
    Q_OBJECT

private slots:
    // The SQL that breaks the demo store, and the start of the first line of the report.
    // (A store others can write: test_store_permissions.)
    void oneFault_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("first");
        const auto row = [](const char* name, QString fault, const char* first) {
            QTest::newRow(name) << fault << first;
        };
        const QString key = "INSERT INTO keys VALUES (30, 1, 3, %1);";
        row("keystrokes", key.arg("0, '{TAB', NULL, 0, 0"),
            "error: keys 30, keytext: the keystroke text \"{TAB\" is refused");
        row("type 13", key.arg("13, 'a', NULL, 0, 0"),
            "error: keys 30, keytype: the key type 13 is none of 0 to 12");
        row("type text", key.arg("'abc', 'a', NULL, 0, 0"),
            "error: keys 30, keytype: Type mismatch");
        row("run missing", key.arg("10, '99', NULL, 0, 0"),
            "error: keys 30, keytext: there is no key sequence 99");
        row("run disabled",
            "UPDATE keysequence SET enabled = 0 WHERE keysequenceID = 10;" +
                key.arg("10, '10', NULL, 0, 0"),
            "warning: keys 30, keytext: key sequence 10 is disabled");
        row("run chain",
            key.arg("10, '2', NULL, 0, 0") +
                "INSERT INTO keys VALUES (31, 2, 3, 10, '1', NULL, 0, 0);",
            "error: keys 30, keytext: key sequence 1 plays itself: 1 -> 2 -> 1");
        row("field", key.arg("1, 'special9', NULL, 0, 0"),
            "error: keys 30, keytext: \"special9\" is no field");
        row("report file", key.arg("9, '', NULL, 0, 0"),
            "error: keys 30, keytext: the report key has no file name");
        row("window", key.arg("8, 'a', NULL, 0, 0"), "error: keys 30, keypurpose:");
        row("program", key.arg("2, 'prog \"x', NULL, 0, 0"),
            "error: keys 30, keytext: the program");
        row("pointer", key.arg("5, '', NULL, NULL, 1"),
            "error: keys 30, waitbefore: the pointer coordinate");
        row("no title", "UPDATE task SET WINDOWTITLE = '' WHERE TASKID = 1;",
            "error: task 1, WINDOWTITLE:");
        row("day", "UPDATE keysequence SET enableday = 'Xyz' WHERE keysequenceID = 4;",
            "error: keysequence 4, enableday:");
        row("negative wait", "UPDATE keysequence SET waitafter = -1 WHERE keysequenceID = 1;",
            "warning: keysequence 1, waitafter:");
        row("huge wait", "UPDATE keys SET waitbefore = 3000000000 WHERE keysid = 1;",
            "error: keys 1, waitbefore: the wait 3000000000 is beyond");
        row("keysid range", "INSERT INTO keys VALUES (3000000000, 1, 3, 0, 'a', NULL, 0, 0);",
            "error: keys 3000000000, keysid:");
        row("keysid 2x",
            kUntypedKeys + QString("INSERT INTO keys VALUES ('2x', 1, 1, 0, 'a', NULL, 0, 0);"),
            "error: keys (keysid \"2x\", rowid 1), keysid:");
        row("same id",
            kUntypedKeys + QString("INSERT INTO keys VALUES (7, 1, 1, 0, 'a', NULL, 0, 0), (7, 1, "
                                   "2, 0, 'b', NULL, 0, 0);"),
            "error: keys 7, keysid: another row has the same id");
        row("same order", key.arg("0, 'a', NULL, 0, 0").replace("1, 3,", "1, 2,"),
            "error: keys 30, KEYORDER: KEYORDER 2 is also the order of keys 2");
        row("enabled 2", "UPDATE tasksequence SET enabled = 2 WHERE tasksequenceid = 3;",
            "warning: tasksequence 3, enabled: enabled is 2");
        row("hidden parent", "UPDATE task SET enabled = 0 WHERE TASKID = 1;",
            "warning: keysequence 1, enabled: the row is enabled but its task 1 is not");
        row("orphan", "INSERT INTO keysequence VALUES (20, 99, 'x', 1, NULL, 0, 0, 1);",
            "warning: keysequence 20, TASKID: there is no task 99");
        row("errors first",
            "UPDATE tasksequence SET enabled = 2 WHERE tasksequenceid = 3;" +
                key.arg("0, '{TAB', NULL, 0, 0"),
            "error: keys 30, keytext:");
        row("demo", "", "");
    }
    void oneFault() {
        QFETCH(QString, fault);
        QFETCH(QString, first);
        TempStore store(kDemo + fault.toStdString());
        const std::string before = store.wholeStore();
        std::ostringstream out, err;
        const int status =
            runStoreCommand({"check", QString::fromStdString(store.path())}, "unused", out, err);
        QVERIFY2(QString::fromStdString(out.str()).startsWith(first), out.str().c_str());
        QCOMPARE(status, first.isEmpty() ? 0 : 1);
        QCOMPARE(store.wholeStore(), before);
    }

    // A store that cannot be read at all: exit status 2 and why on the error stream.
    void unreadable() {
        const TempStore noKeys("DROP TABLE keys;");
        const QString path = QString::fromStdString(noKeys.path()), text = path + ".txt";
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("steps\n") > 0 && f.flush());
        for (const QString& store : {path, path + ".gone", text}) {
            std::ostringstream out, err;
            QCOMPARE(runStoreCommand({"check", store}, "unused", out, err), 2);
            QVERIFY2(out.str().empty() && err.str().find("cannot be read") != std::string::npos,
                     err.str().c_str());
        }
    }
};

QTEST_MAIN(TestStoreChecker)
#include "TestStoreChecker.moc"
