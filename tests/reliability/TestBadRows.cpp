#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "app/MessageBoxes.h"
#include "app/StartupCheck.h"
#include "app/TaskTree.h"
#include "core/Error.h"
#include "editor/dlgEdit.h"
#include "playback/PlaybackRig.h"
#include "teach/TeachMode.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// The tables as a hotel's file may really have them: the same names, but no types or
// checks, so a column can hold anything.
const char* kLooseTables = R"(
BEGIN;
DROP TABLE _config; DROP TABLE tasksequence; DROP TABLE task; DROP TABLE keysequence; DROP TABLE keys;
CREATE TABLE _config (entry, entryvalue);
CREATE TABLE tasksequence (tasksequenceid, NAME, doafterinstructions, enabled, DISPLAYORDER);
CREATE TABLE task (TASKID, tasksequenceid, Name, WINDOWTITLE, enabled, TASKORDER);
CREATE TABLE keysequence (keysequenceID, TASKID, Name, enabled, enableday, waitbefore, waitafter,
                          DISPLAYORDER);
CREATE TABLE keys (keysid, KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore,
                   waitafter);
INSERT INTO _config VALUES ('STARTINGHEIGHT', '7000');
INSERT INTO tasksequence VALUES (1, 'Night', 'Run it all', 1, 1);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1);
INSERT INTO keysequence VALUES (5, 10, 'Close day', 1, NULL, 0, 0, 1);
INSERT INTO keys VALUES (1, 5, 1, 0, 'abc', NULL, 0, 0), (2, 5, 2, 0, '{ENTER}', NULL, 0, 0);
)";

// Every column the program reads.
const std::vector<std::pair<const char*, std::vector<const char*>>> kColumns = {
    {"_config", {"entryvalue"}},
    {"tasksequence", {"tasksequenceid", "NAME", "doafterinstructions", "enabled", "DISPLAYORDER"}},
    {"task", {"TASKID", "tasksequenceid", "Name", "WINDOWTITLE", "enabled", "TASKORDER"}},
    {"keysequence",
     {"keysequenceID", "TASKID", "Name", "enabled", "enableday", "waitbefore", "waitafter",
      "DISPLAYORDER"}},
    {"keys",
     {"keysid", "KEYSEQUENCEID", "KEYORDER", "keytype", "keytext", "waitbefore", "waitafter"}},
};

// Null, text in a number column, a blob, numbers too large for 16, 32 and 64 bits,
// negative, fractional and empty values; key types outside 0..12 are added below.
const std::vector<std::pair<const char*, const char*>> kValues = {
    {"null", "NULL"},
    {"text", "'abc'"},
    {"blob", "X'00FF0A27'"},
    {"beyond 16 bits", "40000"},
    {"beyond 32 bits", "4294967296"},
    {"beyond 64 bits", "99999999999999999999"},
    {"huge real", "1e300"},
    {"negative", "-1"},
    {"fraction", "2.5"},
    {"empty", "''"},
};

// Every keystroke in the trace went to the task's window: after an activation of
// anything else nothing is typed until Front Desk is active again.
bool keysOnlyIntoFrontDesk(const std::string& trace) {
    static const QRegularExpression step(QStringLiteral("(activate|keys)\\(([^)]*)\\)"));
    bool front = false;
    for (auto it = step.globalMatch(QString::fromStdString(trace)); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1) == QLatin1String("activate"))
            front = m.captured(2) == QLatin1String("Front Desk");
        else if (!front)
            return false;
    }
    return true;
}

}  // namespace

// Each bad value is put in turn into each column the program reads; start-up, the
// tree, the player, the runner, teach mode and the key editor must each take their
// error path (a message, the caption, a skipped row) and never crash or misbehave
// under the sanitizers.
class TestBadRows : public QObject {
    Q_OBJECT
private slots:
    void everyReaderTakesItsErrorPath_data() {
        QTest::addColumn<QString>("change");
        for (const auto& [table, columns] : kColumns)
            for (const char* column : columns)
                for (const auto& [name, value] : kValues)
                    QTest::addRow("%s.%s %s", table, column, name)
                        << QStringLiteral("UPDATE %1 SET %2 = %3;").arg(table, column, value);
        QTest::newRow("keys.keytype 99") << "UPDATE keys SET keytype = 99;";
        QTest::newRow("keys.keytype 13") << "UPDATE keys SET keytype = 13;";
        QTest::newRow("keys.keytype '32768'") << "UPDATE keys SET keytype = '32768';";
    }
    void everyReaderTakesItsErrorPath() {
        QFETCH(QString, change);
        const std::string rows = std::string(kLooseTables) + change.toStdString() + "COMMIT;";
        QStringList errors;
        const auto attempt = [&errors](const char* what, const auto& step) {
            try {
                step();
            } catch (const Error& e) {
                QVERIFY2(!e.description().empty(), what);
                errors << QString::fromUtf8(what);
            }
        };

        // Teach mode and the key editor write, so they come last on a store.
        const auto teachAndEdit = [&](TaskStore& store) {
            QTimer timer;
            QLineEdit count(QStringLiteral("3"));
            PlaybackState state;
            state.intKeySequenceID = 5;
            TeachMode teach(timer, count, store, state);
            attempt("teach", [&] { teach.teachTask(); });

            attempt("editor", [&] {
                dlgEdit dialog(store, 5);
                QStringList told;
                dialog.setMessenger([&told](QWidget*, const QString& text) { told << text; });
                auto* list = dialog.findChild<QListWidget*>(QStringLiteral("lstKeys"));
                for (int i = 0; i < list->count(); ++i) {
                    list->setCurrentRow(i);
                    dialog.lstKeys_Click();
                }
                if (list->count() > 0) {
                    dialog.Command2_Click();
                    // Written and closed, or refused with a message and left open.
                    QVERIFY(dialog.result() == QDialog::Accepted || !told.isEmpty());
                }
            });
        };

        {  // start-up: a window, or a message and an exit status
            TempStore db(rows);
            MessageBoxes::Recorder messages;
            const StartupCheck::Result r = StartupCheck::start(QString::fromStdString(db.path()));
            if (!r.window) {
                QVERIFY(r.status != 0);
                QVERIFY(!r.message.isEmpty());
                QVERIFY(!messages.shown().isEmpty());
            }
            QWidget parent;
            TaskTree tree(&parent);
            TaskStore store(db.path());
            attempt("tree", [&] { tree.LoadTaskSequence(store, QDate(2026, 12, 2)); });
            teachAndEdit(store);
        }

        {  // the player and the runner over the tree as it would be built from good rows
            PlaybackRig rig(rows, {{"TS1"}, {"T10", 1}, {"KS5", 2}});
            rig.host.desktop = &rig.fake;
            rig.player.RunKeySequence(3);  // lets nothing out
            QVERIFY2(keysOnlyIntoFrontDesk(rig.trace), rig.trace.c_str());
            QVERIFY(!rig.host.captionText.isEmpty());
            for (std::int16_t node : {1, 2}) {
                rig.host.selected = node;
                attempt("runner", [&] { rig.runner.ExecuteSelected(node); });
                QVERIFY2(keysOnlyIntoFrontDesk(rig.trace), rig.trace.c_str());
                QVERIFY(!rig.runner.isRunning());
            }
        }

        if (!errors.isEmpty()) qInfo("errors shown by: %s", qPrintable(errors.join(", ")));
    }
};

QTEST_MAIN(TestBadRows)
#include "TestBadRows.moc"
