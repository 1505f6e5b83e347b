// `nightaudit-store`: check, export and import, the run preview; and a store others can
// change, which the window refuses to run and `check` names.
#include <QPushButton>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "app/TaskTree.h"
#include "storetool/FieldNames.h"
#include "storetool/RunPreview.h"
#include "storetool/StoreCommands.h"
#include "storetool/StoreText.h"
#include "support/ErrorOf.h"
#include "support/WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const std::string kDemo = readFile(NIGHTAUDIT_DATA_DIR "/demo.sql");
const char* const kUntypedKeys =
    "DROP TABLE keys; CREATE TABLE keys (keysid, KEYSEQUENCEID, KEYORDER, keytype, keytext, "
    "keypurpose, waitbefore, waitafter);";

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

// Notes the reports a run asks for into the desktop's record, as the preview writes them.
class NotingReports : public Reports {
public:
    NotingReports(FakeDesktop& desktop, WindowFields& window)
        : m_desktop(desktop), m_window(window) {}
    void printText(const QString& t) override { m_desktop.note("print(" + t.toStdString() + ") "); }
    void parseReport(const QString& f) override {
        m_desktop.note("report(" + f.toStdString() + ") ");
    }
    void loadNoShowList(const QString& f) override {
        m_desktop.note("noshows(" + f.toStdString() + ") ");
    }
    void showNextNoShow() override {
        m_window.setControlText("special6", RunPreview::kNextNoShow);
        m_desktop.note("nextnoshow ");
    }

private:
    FakeDesktop& m_desktop;
    WindowFields& m_window;
};

}  // namespace

class TestStoreTool : public QObject {
    Q_OBJECT

private slots:
    // `check` on the demo store with one fault each: the SQL that breaks it, and the start
    // of the first line of the report, which names the row; the exit status says whether
    // anything was found. (A store others can write: goOnAStoreOthersCanWrite.)
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

    // export -> import -> export gives the same text, and the imported store the same rows.
    void roundTrip_data() {
        QTest::addColumn<QString>("rows");
        QTest::newRow("demo") << QString::fromStdString(kDemo);
        QTest::newRow("odd values") << kOddRows;
        QTest::newRow("reals in integer columns")
            << QString::fromStdString(kDemo) +
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
        TempStore original(kDemo);
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

    // A store that others can change is shown but not run. The modes of db.mdb and its
    // folder, its owner (-1: unchanged) and the fix the refusal names ("" when Go runs).
    void goOnAStoreOthersCanWrite_data() {
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("owner");
        QTest::addColumn<QString>("fix");
        QTest::newRow("own") << 0644 << 0700 << -1 << "";
        QTest::newRow("sticky shared folder") << 0600 << 01777 << -1 << "";
        QTest::newRow("world-writable store") << 0666 << 0755 << -1 << "chmod o-w %1/db.mdb";
        QTest::newRow("world-writable folder") << 0644 << 0777 << -1 << "chmod o-w %1";
        QTest::newRow("another user's store") << 0644 << 0700 << 4242 << "chown %2 %1/db.mdb";
    }
    void goOnAStoreOthersCanWrite() {
        QFETCH(int, fileMode);
        QFETCH(int, folderMode);
        QFETCH(int, owner);
        QFETCH(QString, fix);
        if (owner >= 0 && geteuid() != 0) QSKIP("giving a file away needs root");
        WindowRig rig;
        const QString dir = rig.file.dir();
        const std::string path = rig.file.path();
        QCOMPARE(chmod(path.c_str(), static_cast<mode_t>(fileMode)), 0);
        QCOMPARE(chmod(dir.toLocal8Bit().constData(), static_cast<mode_t>(folderMode)), 0);
        if (owner >= 0) QCOMPARE(chown(path.c_str(), static_cast<uid_t>(owner), -1), 0);
        rig.click(3);
        rig.window.controls().go->click();
        fix = fix.arg(dir, QString::fromLocal8Bit(getpwuid(geteuid())->pw_name));
        if (fix.isEmpty()) {
            QVERIFY2(rig.messages().isEmpty(), qPrintable(rig.messages().join('\n')));
            QCOMPARE(rig.record(),
                     "activate(Front Desk) activate(Front Desk) keys(a) "
                     "activate(Quillmar Night Audit) ");
            QCOMPARE(QFileInfo(dir + "/journal.log").permissions(),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        } else {
            QCOMPARE(rig.messages().size(), 1);
            QVERIFY2(rig.messages()[0].contains(QString::fromStdString(path)) &&
                         rig.messages()[0].endsWith("\n    " + fix),
                     qPrintable(rig.messages()[0]));
            QCOMPARE(rig.record(), "");
            std::ostringstream out, err;  // `nightaudit-store check` names the same fix
            runStoreCommand({"check", QString::fromStdString(path)}, "unused", out, err);
            QVERIFY2(out.str().find("\n    fix: " + fix.toStdString() + "\n") != std::string::npos,
                     out.str().c_str());
        }
    }

    // The preview of every node of the demo store does what Go does in the main window on
    // the fake desktop: the same desktop steps, reports and waits, in the same order. The
    // audit day and rows added to the demo store.
    void sameStepsAsThePlayer_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("rows");
        QTest::newRow("Saturday") << QDate(2026, 12, 5) << "";
        QTest::newRow("Monday") << QDate(2026, 12, 7) << "";
        QTest::newRow("faults")
            << QDate(2026, 12, 7)
            << "INSERT INTO keys VALUES (30, 1, 3, 10, '3', NULL, 0, 0), "
               "(31, 3, 3, 0, '{TAB', NULL, 0, 0), (32, 6, 3, 10, '6', NULL, 0, 0), "
               "(33, 2, 3, 2, 'prog \"a b\" c', NULL, 1500, 2500), "
               "(34, 2, 4, 1, 'nofield', NULL, 0, 0);";
    }
    void sameStepsAsThePlayer() {
        QFETCH(QDate, day);
        QFETCH(QString, rows);
        const std::string all = kDemo + rows.toStdString();
        const auto reports = [](WindowRig& rig) {  // noted as the preview writes them
            return std::make_unique<NotingReports>(*rig.desktop, rig.window);
        };
        const QDateTime nine(day, QTime(9, 0));
        const int nodes = WindowRig(all, true, nine, reports).window.tree().nodeCount();
        QVERIFY(nodes >= 12);
        for (int i = 1; i <= nodes; ++i) {
            WindowRig w(all, true, nine, reports);
            const std::string key = w.window.nodeKey(i).toStdString();
            w.window.tree().select(i);
            w.window.controls().go->click();
            TaskStore tasks(w.file.path(), 5000, TaskStore::Access::ReadOnly);
            const PreviewSteps preview = RunPreview(tasks, w.file.dir(), day).run(key);
            std::string record;
            std::vector<std::int32_t> waits;
            for (const PreviewStep& s : preview.steps()) {
                record += s.record;
                if (s.kind == PreviewStep::Kind::Wait) waits.push_back(s.waitMs);
            }
            // The player also lets the window read its keys before a countdown: no step.
            const std::string played =
                QString::fromStdString(w.desktop->record()).remove("settle ").toStdString();
            QVERIFY2(record == played,
                     qPrintable(QString::fromStdString(key + "\n" + record + "\n" + played)));
            QVERIFY2(waits == w.waiter->waits(), key.c_str());
            QCOMPARE(preview.failures() > 0, w.window.caption() != "Quillmar Night Audit");
            if (key != "KS1" || rows.isEmpty()) continue;
            // The printed preview: the labels of waits, the nesting of a type 10 key, a
            // failure where it ends a key sequence, the total.
            const QString text = QString::fromStdString(RunPreview::text(preview));
            for (const char* part :
                 {"\n    wait after: 1 s (600 ms)\n  key 2, type 0 keystrokes\n",
                  "\n  key 30, type 10 run a key sequence: KS3\n    key sequence KS3 ",
                  "\n      key 31, type 0 keystrokes\n",
                  "\n        ✗ the key sequence stops here: "
                  "Keystroke text: '{' is never closed at character 1 (error 1003)\n    back to",
                  "\nwaits in all: 1 s\n1 problem(s) would end key sequences early (✗ above)\n"})
                QVERIFY2(text.contains(QString::fromUtf8(part)), qPrintable(text));
        }
    }

    // The fields a key of type 1 may name are the main window's controls with a text.
    void fieldNamesAreTheWindowsControls() {
        WindowRig w;
        QStringList withText, listed;
        for (const QObject* child : w.window.findChildren<QObject*>())
            if (!child->objectName().isEmpty() &&
                errorOf([&] { w.window.controlText(child->objectName()); }).number == 0)
                withText << child->objectName();
        for (const std::string& name : windowFieldNames()) listed << QString::fromStdString(name);
        withText.sort();
        listed.sort();
        QCOMPARE(withText.join(' '), listed.join(' '));
    }
};

QTEST_MAIN(TestStoreTool)
#include "TestStoreTool.moc"
