#include <QListWidget>
#include <QRegularExpression>
#include <QTest>

#include "app/MessageBoxes.h"
#include "app/StartupCheck.h"
#include "app/TaskTree.h"
#include "editor/dlgEdit.h"
#include "playback/PlaybackRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// Every column the program reads, by table.
const std::pair<const char*, const char*> kColumns[] = {
    {"_config", "entryvalue"},
    {"tasksequence", "tasksequenceid NAME doafterinstructions enabled DISPLAYORDER"},
    {"task", "TASKID tasksequenceid Name WINDOWTITLE enabled TASKORDER"},
    {"keysequence",
     "keysequenceID TASKID Name enabled enableday waitbefore waitafter DISPLAYORDER"},
    {"keys", "keysid KEYSEQUENCEID KEYORDER keytype keytext waitbefore waitafter"}};

// One row of each kind; then each table is made again without types or checks, as a
// hotel's file may have it, so a column can hold anything.
std::string rows() {
    std::string rows = R"(INSERT INTO _config VALUES ('STARTINGHEIGHT', '7000');
INSERT INTO tasksequence VALUES (1, 'Night', 'Run it all', 1, 1);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1);
INSERT INTO keysequence VALUES (5, 10, 'Close day', 1, NULL, 0, 0, 1);
INSERT INTO keys VALUES (1, 5, 1, 0, 'abc', NULL, 0, 0), (2, 5, 2, 0, '{ENTER}', NULL, 0, 0);)";
    for (const auto& [table, columns] : kColumns)
        rows += std::string("ALTER TABLE ") + table + " RENAME TO old; CREATE TABLE " + table +
                " AS SELECT * FROM old; DROP TABLE old;";
    return rows;
}

// Keys typed before any activation, or after one of another window with no activation
// of Front Desk since.
bool keysOnlyIntoFrontDesk(const std::string& trace) {
    static const QRegularExpression stray(
        R"((^|activate\((?!Front Desk\))[^)]*\))((?!activate\().)*keys\()");
    return !stray.match(QString::fromStdString(trace)).hasMatch();
}

// An Error is the error path taken, so it needs a description; anything else escapes.
template <class Step>
void attempt(Step&& step) {
    try {
        step();
    } catch (const Error& e) {
        QVERIFY2(!e.description().empty(), "an error without a description");
    }
}

}  // namespace

// Null, text, a blob, numbers beyond 16, 32 and 64 bits, negative, fractional and empty in
// each column the program reads: start-up, the tree, the player, the runner and the key
// editor each take their error path (a message, the caption, a refusal) and never crash.
class TestBadRows : public QObject {
    Q_OBJECT
private slots:
    void everyReaderTakesItsErrorPath_data() {
        QTest::addColumn<QString>("change");
        for (const auto& [table, columns] : kColumns)
            for (const QString& column : QString(columns).split(' '))
                for (const char* value : {"NULL", "'abc'", "X'00FF0A27'", "40000", "4294967296",
                                          "99999999999999999999", "1e300", "-1", "2.5", "''"})
                    QTest::addRow("%s.%s %s", table, qPrintable(column), value)
                        << QStringLiteral("UPDATE %1 SET %2 = %3;").arg(table, column, value);
        for (const char* type : {"13", "99", "'32768'"})
            QTest::addRow("keys.keytype %s", type)
                << QStringLiteral("UPDATE keys SET keytype = %1;").arg(type);
    }
    void everyReaderTakesItsErrorPath() {
        QFETCH(QString, change);
        PlaybackRig rig(rows() + change.toStdString(), {{"TS1"}, {"T10", 1}, {"KS5", 2}});
        {
            MessageBoxes::Recorder messages;
            const StartupCheck::Result r =
                StartupCheck::start(QString::fromStdString(rig.db.path()));
            QVERIFY(r.window ||
                    (r.status != 0 && !r.message.isEmpty() && messages.shown().size() == 1));
        }
        QWidget parent;
        TaskTree tree(&parent);
        attempt([&] { tree.LoadTaskSequence(rig.store, QDate(2026, 12, 2)); });
        // The player and the runner over the tree as good rows would build it. A run that
        // did not come back to the main window shows why in the caption.
        rig.player.RunKeySequence(3);  // lets nothing out
        QVERIFY2(keysOnlyIntoFrontDesk(rig.trace), rig.trace.c_str());
        QVERIFY2(rig.trace.ends_with(kMain) || rig.host.captionText != "Quillmar Night Audit",
                 rig.trace.c_str());
        for (std::int16_t node : {1, 2}) {
            rig.host.selected = node;
            attempt([&] { rig.runner.ExecuteSelected(node); });
            QVERIFY2(keysOnlyIntoFrontDesk(rig.trace) && !rig.runner.isRunning(),
                     rig.trace.c_str());
        }
        // The key editor reads every key and writes one: written and closed, or refused
        // with a message and left open.
        attempt([&] {
            dlgEdit dialog(rig.store, 5);
            QStringList told;
            dialog.setMessenger([&told](QWidget*, const QString& text) { told << text; });
            auto* list = dialog.findChild<QListWidget*>(QStringLiteral("lstKeys"));
            for (int i = 0; i < list->count(); ++i) list->setCurrentRow(i), dialog.lstKeys_Click();
            if (list->count() > 0) dialog.Command2_Click();
            QVERIFY(list->count() == 0 || dialog.result() == QDialog::Accepted || !told.isEmpty());
        });
    }
};

QTEST_MAIN(TestBadRows)
#include "TestBadRows.moc"
