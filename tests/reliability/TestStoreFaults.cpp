#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <SQLiteCpp/Database.h>

#include "app/MessageBoxes.h"
#include "app/StartupCheck.h"
#include "app/TaskTree.h"
#include "editor/KeyEditor.h"
#include "playback/PlaybackRig.h"
#include "store/Statements.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const char* kRows = R"(INSERT INTO _config VALUES ('STARTINGHEIGHT', '7000');
INSERT INTO tasksequence VALUES (1, 'Night', 'Run it all', 1, 1);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (11, 1, 'Office', 'Back Office', 1, 2);
INSERT INTO keysequence VALUES (5, 10, 'Close day', 1, NULL, 0, 0, 1), (6, 11, 'Totals', 1, NULL, 0, 0, 1);
INSERT INTO keys VALUES (1, 5, 1, 0, 'abc', NULL, 0, 100), (2, 5, 2, 0, '{ENTER}', NULL, 0, 200),
 (3, 5, 3, 0, 'x', NULL, 0, 300), (4, 6, 1, 0, '%f', NULL, 0, 400), (5, 6, 2, 0, 'y', NULL, 0, 500), (6, 6, 3, 0, 'z', NULL, 0, 600);)";

// The key editor on key sequence 5: clicks every line up to the first, types `text` over
// it and presses Update. "written", "no keys", or what it said.
QString updateFirstKey(TaskStore& store, const QString& text = {}) {
    KeyEditor dialog(store, 5);
    QStringList told;
    dialog.setMessenger([&told](QWidget*, const QString& t) { told << t; });
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("lstKeys"));
    for (int i = list->count() - 1; i >= 0; --i) list->setCurrentRow(i), dialog.showSelectedKey();
    if (!text.isNull()) dialog.findChild<QLineEdit*>("dfsKeyText")->setText(text);
    if (list->count() > 0) dialog.applyUpdate();
    return dialog.result() == QDialog::Accepted
               ? "written"
               : told.join('\n') + (list->count() ? "" : "no keys");
}

}  // namespace

class TestStoreFaults : public QObject {
    Q_OBJECT
private slots:
    // Null, text, a blob, big, negative, fractional, empty in each column, as a hotel's file may
    // have.
    void badRows_data() {
        QTest::addColumn<QString>("change");
        const std::string columns = TempStore().dump(
            "SELECT m.name, p.name FROM sqlite_master m, pragma_table_info(m.name) p");
        for (const QString& column :
             QString::fromStdString(columns).split('\n', Qt::SkipEmptyParts))
            for (const char* value : {"NULL", "'abc'", "X'00FF0A27'", "40000", "4294967296",
                                      "99999999999999999999", "1e300", "-1", "2.5", "''"})
                QTest::addRow("%s %s", qPrintable(column), value)
                    << QStringLiteral("UPDATE %1 SET %2 = %3;")
                           .arg(column.section('|', 0, 0), column.section('|', 1), value);
        for (const char* type : {"13", "99", "'32768'"})
            QTest::addRow("keys.keytype %s", type)
                << QStringLiteral("UPDATE keys SET keytype = %1;").arg(type);
    }
    // Each reader works or fails with a described error, a caption or a message, and types
    // nowhere else.
    void badRows() {
        QFETCH(QString, change);
        // Keys typed before any activation, or after another window's and before Front Desk's.
        static const QRegularExpression stray(
            R"((^|activate\((?!Front Desk\))[^)]*\))((?!activate\().)*keys\()");
        std::string rows = kRows;
        for (const char* table : {"_config", "tasksequence", "task", "keysequence", "keys"})
            rows += std::string("ALTER TABLE ") + table + " RENAME TO old; CREATE TABLE " + table +
                    " AS SELECT * FROM old; DROP TABLE old;";
        PlaybackRig rig(rows + change.toStdString(), {{"TS1"}, {"T10", 1}, {"KS5", 2}});
        MessageBoxes::Recorder messages;
        const StartupCheck::Result r = StartupCheck::start(QString::fromStdString(rig.db.path()));
        QVERIFY(r.window || (r.status != 0 && messages.shown().size() == 1));
        QWidget parent;
        TaskTree tree(&parent);
        const Thrown load = errorOf([&] { tree.load(rig.store, {2026, 12, 2}); });
        QVERIFY2(load.text.isEmpty() == (load.number == 0), qPrintable(load.text));
        rig.player.playKeySequence(3);  // lets nothing out; a run that did not end says why
        QVERIFY2(rig.trace.ends_with(kMain.toStdString()) ||
                     rig.host.captionText != "Quillmar Night Audit",
                 rig.trace.c_str());
        for (std::int16_t node : {1, 2}) {
            rig.host.selected = node;
            const Thrown run = errorOf([&] { rig.runner.run(node); });
            QVERIFY2(run.text.isEmpty() == (run.number == 0), qPrintable(run.text));
            QVERIFY2(!stray.match(QString::fromStdString(rig.trace)).hasMatch(), rig.trace.c_str());
        }
        QString edited;  // written and closed, or refused with a message and left open
        const Thrown e = errorOf([&] { edited = updateFirstKey(rig.store); });
        QVERIFY2(e.number != 0 ? !e.text.isEmpty() : !edited.isEmpty(), qPrintable(e.text));
    }

    // Read-only (the immutable attribute: root ignores modes) or held by another connection
    // past the busy wait: the teach update fails with the number and text, the key editor says so
    // and stays open, nothing changes, and once free the same open store takes the update.
    void refusedWritesChangeNothing_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("said");
        QTest::newRow("read-only") << err::Store + 8 << "The task store is read-only";
        QTest::newRow("held") << err::Store + 5 << "The task store is busy";
    }
    void refusedWritesChangeNothing() {
        QFETCH(int, number);
        QFETCH(QString, said);
        TempStore db(kRows);
        const std::string before = db.wholeStore();
        const QString file = QString::fromStdString(db.path());
        const bool readOnly = number == err::Store + 8;
        SQLite::Database other(db.path(), SQLite::OPEN_READWRITE);
        if (!readOnly) other.exec("BEGIN IMMEDIATE; UPDATE keys SET keytext = 'HALF'");
        if (readOnly && QProcess::execute("chattr", {"+i", file}) != 0)
            QSKIP("this file system cannot make the store read-only");
        TaskStore store(db.path(), 300);  // SQLite sees a read-only file when it opens it
        const Thrown e = errorOf([&] { store.execute(statements::teachUpdate("15000", 5)); });
        const QString edited = updateFirstKey(store, QStringLiteral("new"));
        QProcess::execute("chattr", {"-i", file});
        if (!readOnly) other.exec("ROLLBACK");
        QCOMPARE(e.number, number);
        QVERIFY2(e.text.startsWith(said), qPrintable(e.text));
        QVERIFY2(edited.startsWith("The key was not changed: " + said) && !edited.contains('\n'),
                 qPrintable(edited));
        QCOMPARE(db.wholeStore(), before);
        QVERIFY(!QFile::exists(file + "-journal"));
        if (!readOnly) QCOMPARE(store.execute(statements::teachUpdate("15000", 5)), 1);
    }
};

QTEST_MAIN(TestStoreFaults)
#include "TestStoreFaults.moc"
