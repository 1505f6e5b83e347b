#include <QTest>

#include "PlaybackRig.h"
#include "platform/SendKeysParser.h"
#include "support/UnavailableReports.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const std::vector<FakeNode> kTree = {{"TS1"},    {"T10", 1},  {"KS20", 2},
                                     {"T11", 1}, {"KS30", 4}, {"KSx", 4}};
const std::string kMain = "activate(Quillmar Night Audit) ";

// Key sequence 20 (task 10, "Front Desk") holding the keys given as VALUES rows
// without their first two columns: (keyorder, keytype, keytext, keypurpose, waitbefore, waitafter).
std::string withKeys(const std::string& keyRows, const std::string& more = {}) {
    std::string sql = std::string(kTasks) +
                      "INSERT INTO keysequence VALUES (20, 10, 'Close', 1, NULL, 0, 0, 1),"
                      " (30, 11, 'Nested', 1, NULL, 0, 0, 1);\n";
    if (!keyRows.empty())
        sql +=
            "INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose,"
            " waitbefore, waitafter) SELECT 20, * FROM (VALUES " +
            keyRows + ");\n";
    return sql + more;
}

std::string keys30(const std::string& keyRows) {
    return "INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore,"
           " waitafter) SELECT 30, * FROM (VALUES " +
           keyRows + ");\n";
}

QString parserMessage(const std::string& text) {
    try {
        parseSendKeys(text);
    } catch (const Error& e) {
        return QString::fromStdString(e.description());
    }
    return QStringLiteral("(parsed)");
}

}  // namespace

class TestKeySequencePlayer : public QObject {
    Q_OBJECT
private slots:
    void keyTypes_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QStringList>("log");
        const auto row = [](const char* name, const char* keys, const std::string& trace,
                            const QStringList& log) {
            QTest::newRow(name) << keys << QString::fromStdString(trace) << log;
        };
        row("0 keystrokes: wait, activate twice, send, wait",
            "(1, 0, 'abc{ENTER}', NULL, 1000, 2000)",
            "wait(1000) activate(Front Desk) activate(Front Desk) keys(abc{ENTER}) wait(2000) " +
                kMain,
            {"abc{ENTER}"});
        row("1 field text: activate once", "(1, 1, 'special1', NULL, 5, 6)",
            "wait(5) activate(Front Desk) keys(070705) wait(6) " + kMain, {"070705"});
        row("1 String Date", "(1, 1, 'special1', 'String Date', 0, 0)",
            "wait(0) activate(Front Desk) keys(07/07/2005) wait(0) " + kMain, {"07/07/2005"});
        row("1 other case is no date", "(1, 1, 'special1', 'string date', 0, 0)",
            "wait(0) activate(Front Desk) keys(070705) wait(0) " + kMain, {"070705"});
        row("1 four characters", "(1, 1, 'special2', 'String Date', 0, 0)",
            "wait(0) activate(Front Desk) keys(07/07/20) wait(0) " + kMain, {"07/07/20"});
        row("1 UTF-8 field", "(1, 1, 'special6', NULL, 0, 0)",
            "wait(0) activate(Front Desk) keys(Müller) wait(0) " + kMain, {"Müller"});
        row("2 launch: never activates", "(1, 2, 'xterm -e top', NULL, 5, 6)",
            "wait(5) launch(xterm -e top) wait(6) " + kMain, {});
        row("3 print, then two seconds", "(1, 3, 'Totals', NULL, 700, 800)",
            "print(Totals) wait(2000) " + kMain, {});
        row("4 pause: after, then before", "(1, 4, NULL, NULL, 1000, 3000)",
            "wait(3000) wait(1000) " + kMain, {});
        row("5 pointer move, no wait", "(1, 5, NULL, NULL, 100, 200)", "pointer(100,200) " + kMain,
            {});
        row("6 button down", "(1, 6, NULL, NULL, 100, 200)", "pointer(100,200) down " + kMain, {});
        row("7 button up, text coordinates", "(1, 7, NULL, NULL, ' 12 ', '7.5')",
            "pointer(12,8) up " + kMain, {});
        row("8 named window, not logged", "(1, 8, 'xyz', 'Back Office', 1, 2)",
            "wait(1) activate(Back Office) keys(xyz) wait(2) " + kMain, {});
        row("9 parse report", "(1, 9, '/tmp/audit.txt', NULL, 1, 2)",
            "parse(/tmp/audit.txt) " + kMain, {});
        row("11 no-show list", "(1, 11, '/tmp/ns.txt', NULL, 1, 2)", "noshow(/tmp/ns.txt) " + kMain,
            {});
        row("12 next guest", "(1, 12, NULL, NULL, 1, 2)", "nextguest " + kMain, {});
        row("13 and Null do nothing", "(1, 13, 'x', NULL, 1, 2), (2, NULL, 'y', NULL, 1, 2)", kMain,
            {});
        row("no keys", "", kMain, {});
        row("key order, ties in stored order",
            "(3, 0, 'c', NULL, 0, 0), (1, 0, 'a', NULL, 0, 0), (2, 8, 'b', 'Back Office', 0, 0),"
            " (3, 1, 'special2', NULL, 0, 0)",
            "wait(0) activate(Front Desk) activate(Front Desk) keys(a) wait(0) "
            "wait(0) activate(Back Office) keys(b) wait(0) "
            "wait(0) activate(Front Desk) activate(Front Desk) keys(c) wait(0) "
            "wait(0) activate(Front Desk) keys(0707) wait(0) " +
                kMain,
            {"a", "c", "0707"});
    }
    void keyTypes() {
        QFETCH(QString, keys);
        QFETCH(QString, trace);
        QFETCH(QStringList, log);
        PlaybackRig rig(withKeys(keys.toStdString()), kTree);
        rig.host.controls = {{"special1", "070705"}, {"special2", "0707"}, {"special6", "Müller"}};
        rig.log.lines = QStringList{"left over"};
        rig.player.RunKeySequence(0, 20);
        QCOMPARE(QString::fromStdString(rig.trace), trace);
        QCOMPARE(rig.log.lines, log);
        QCOMPARE(rig.host.captionText, QStringLiteral("Quillmar Night Audit"));
        QCOMPARE(rig.state.intKeySequenceID, std::int16_t(20));
        QVERIFY(rig.host.marks.empty());  // an id given: the tree is not touched
    }

    void fromTreeNodeMarksItAndTakesItsId() {
        PlaybackRig rig(withKeys("(1, 0, 'a', NULL, 0, 0)"), kTree);
        rig.player.RunKeySequence(3);
        QCOMPARE(rig.host.visible, std::vector<int>{3});
        QCOMPARE(rig.host.marks, std::vector<int>{3});
        QCOMPARE(rig.state.intKeySequenceID, std::int16_t(20));
        QCOMPARE(rig.log.lines, QStringList{"a"});
        QCOMPARE(rig.host.events, 2);  // one in the send, one after the key
    }

    // Each failure ends the key sequence at once: the caption shows its description,
    // the key after it never plays, and the main window is not activated.
    void errorsEndOnlyTheCall_data() {
        QTest::addColumn<int>("node");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("caption");
        const std::string next = ", (9, 0, 'never', NULL, 0, 0)";
        const auto row = [&](const char* name, int node, const std::string& keys, const char* trace,
                             const QString& caption) {
            QTest::newRow(name) << node << QString::fromStdString(keys + next) << trace << caption;
        };
        row("window missing after a launch", 0,
            "(1, 2, 'prog', NULL, 0, 0), (2, 0, 'x', NULL, 0, 0)",
            "wait(0) launch(prog) wait(0) wait(0) ", "No window with the title \"Gone\" was found");
        row("malformed keystrokes", 0, "(1, 0, 'ab{ENTER', NULL, 0, 0)",
            "wait(0) activate(Gone) activate(Gone) ", parserMessage("ab{ENTER"));
        row("field that is no control", 0, "(1, 1, 'special9', NULL, 0, 0)", "",
            "No control named special9");
        row("Null key text", 0, "(1, 0, NULL, NULL, 0, 0)", "",
            "Invalid use of Null: the key text is Null");
        row("Null coordinate", 0, "(1, 6, NULL, NULL, 100, NULL)", "",
            "Type mismatch: the y coordinate (waitafter) is Null");
        row("text coordinate", 0, "(1, 5, NULL, NULL, '12abc', 5)", "",
            "Type mismatch: the x coordinate (waitbefore) \"12abc\" is not a number");
        row("nested id not a number", 0, "(1, 10, 'abc', NULL, 0, 0)", "",
            "Type mismatch: the key sequence to run (key text) \"abc\" is not a number");
        row("nested id past 16 bits", 0, "(1, 10, '40000', NULL, 0, 0)", "",
            "Overflow: the key sequence to run (key text) 40000 does not fit a 16-bit number");
        row("report fails", 0, "(1, 9, 'missing.txt', NULL, 0, 0)", "", "File not found");
        row("no such node", 9, "(1, 0, 'x', NULL, 0, 0)", "", "No node with index 9");
        row("node key not a number", 6, "(1, 0, 'x', NULL, 0, 0)", "mark(6) ",
            "Type mismatch: the key sequence id of the node \"x\" is not a number");
    }
    void errorsEndOnlyTheCall() {
        QFETCH(int, node);
        QFETCH(QString, keys);
        QFETCH(QString, trace);
        QFETCH(QString, caption);
        // Task 10's window is renamed so that its title matches no window.
        PlaybackRig rig(
            withKeys(keys.toStdString(), "UPDATE task SET WINDOWTITLE = 'Gone' WHERE TASKID = 10;"),
            kTree);
        rig.fake.addWindow("Gone Desk");
        if (QString(QTest::currentDataTag()) == "window missing after a launch")
            rig.fake.removeWindow("Gone Desk");
        rig.host.controls = {{"special1", "070705"}};
        rig.reports.fail = QString(QTest::currentDataTag()) == "report fails";
        rig.player.RunKeySequence(static_cast<std::int16_t>(node), node ? 0 : 20);
        QCOMPARE(QString::fromStdString(rig.trace), trace);
        QCOMPARE(rig.host.captionText, caption);
        QVERIFY(rig.log.lines.isEmpty());
    }

    void reportsNotBuiltYetFailVisibly() {
        PlaybackRig rig(withKeys("(1, 3, 'Totals', NULL, 0, 0)"), kTree);
        UnavailableReports none;
        KeySequencePlayer player(rig.store, rig.desktop, rig.waiter, rig.log, rig.host, none,
                                 rig.state);
        player.RunKeySequence(0, 20);
        QCOMPARE(rig.host.captionText, QStringLiteral("Printing a text is not available"));
        QCOMPARE(rig.trace, std::string());  // neither the 2 s wait nor the main window
    }

    void stopEndsAfterTheCurrentKey() {
        PlaybackRig rig(withKeys("(1, 0, 'a', NULL, 1000, 2000), (2, 0, 'b', NULL, 0, 0)"), kTree);
        rig.waiter.stopAtWait(1);  // Stop during the wait before the first key
        rig.player.RunKeySequence(0, 20);
        QCOMPARE(rig.trace, std::string("wait(1000) activate(Front Desk) activate(Front Desk) "
                                        "keys(a) wait(2000) "));
        QCOMPARE(rig.log.lines, QStringList{"a"});
    }

    void firstKeyPlaysEvenWhenStopIsSet() {
        PlaybackRig rig(withKeys("(1, 0, 'a', NULL, 0, 0), (2, 0, 'b', NULL, 0, 0)"), kTree);
        rig.state.bolStop = true;
        rig.player.RunKeySequence(0, 20);
        QCOMPARE(rig.trace,
                 std::string("wait(0) activate(Front Desk) activate(Front Desk) keys(a) wait(0) "));
    }

    void nestedSequence() {
        PlaybackRig rig(
            withKeys("(1, 0, 'a', NULL, 0, 0), (2, 10, '30', NULL, 0, 0), (3, 0, 'b', NULL, 0, 0)",
                     keys30("(1, 0, 'n', NULL, 0, 0)")),
            kTree);
        rig.host.selected = 3;
        rig.player.RunKeySequence(0, 20);
        QCOMPARE(rig.trace,
                 "wait(0) activate(Front Desk) activate(Front Desk) keys(a) wait(0) "
                 "wait(0) activate(Back Office) activate(Back Office) keys(n) wait(0) " +
                     kMain + "mark(3) " +
                     "wait(0) activate(Front Desk) activate(Front Desk) keys(b) wait(0) " + kMain);
        QCOMPARE(rig.log.lines, (QStringList{"n", "b"}));
        QCOMPARE(rig.state.intKeySequenceID, std::int16_t(30));
    }

    void failingNestedSequenceLetsTheOuterGoOn() {
        PlaybackRig rig(
            withKeys("(1, 10, '30', NULL, 0, 0), (2, 0, 'b', NULL, 0, 0)",
                     keys30("(1, 0, '{NOPE}', NULL, 0, 0), (2, 0, 'never', NULL, 0, 0)")),
            kTree);
        rig.host.selected = 5;
        rig.player.RunKeySequence(0, 20);
        QCOMPARE(rig.host.captionText, parserMessage("{NOPE}"));
        QCOMPARE(rig.log.lines, QStringList{"b"});
        QCOMPARE(rig.host.marks, std::vector<int>{5});
        // The outer end activates the main window by its caption, the error text now.
        QVERIFY(rig.trace.ends_with("keys(b) wait(0) activate(" +
                                    parserMessage("{NOPE}").toStdString() + ") "));
    }

    void emptySelectionAfterNestedIsAnError() {
        PlaybackRig rig(withKeys("(1, 10, '30', NULL, 0, 0), (2, 0, 'never', NULL, 0, 0)"), kTree);
        rig.player.RunKeySequence(0, 20);
        QCOMPARE(rig.host.captionText, QStringLiteral("No node is selected in the tree"));
        QCOMPARE(rig.trace, kMain);  // only the nested (empty) sequence's end
    }

    // A chain of `depth` key sequences, each running the next, the last typing "deep",
    // and each typing "back" after its nested call.
    void nestingDepth_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("plays");
        QTest::newRow("16 deep plays") << KeySequencePlayer::MaxNestingDepth << true;
        QTest::newRow("17 deep fails whole") << KeySequencePlayer::MaxNestingDepth + 1 << false;
    }
    void nestingDepth() {
        QFETCH(int, depth);
        QFETCH(bool, plays);
        std::string rows = std::string(kTasks);
        for (int i = 1; i <= depth; ++i) {
            const std::string id = std::to_string(100 + i);
            rows += "INSERT INTO keysequence VALUES (" + id + ", 10, 'n', 1, NULL, 0, 0, " + id +
                    ");\n";
            rows += i < depth
                        ? "INSERT INTO keys VALUES (NULL, " + id + ", 1, 10, '" +
                              std::to_string(101 + i) + "', NULL, 0, 0), (NULL, " + id +
                              ", 2, 0, 'back', NULL, 0, 0);\n"
                        : "INSERT INTO keys VALUES (NULL, " + id + ", 1, 0, 'deep', NULL, 0, 0);\n";
        }
        PlaybackRig rig(rows, kTree);
        rig.host.selected = 1;
        rig.player.RunKeySequence(0, 101);
        if (plays) {
            QCOMPARE(rig.log.lines, QStringList{"deep"} + QStringList(depth - 1, "back"));
            QCOMPARE(rig.host.captionText, QStringLiteral("Quillmar Night Audit"));
        } else {
            QVERIFY(rig.log.lines.isEmpty());
            QCOMPARE(rig.fake.record(), std::string());
            QVERIFY(rig.host.captionText.startsWith("Key sequences are nested more than 16 deep"));
        }
        // The player is usable again afterwards: the depth count unwound.
        rig.host.setCaption("Quillmar Night Audit");
        rig.fake.clearRecord();
        rig.player.RunKeySequence(0, 100 + depth);
        QCOMPARE(rig.fake.record(),
                 "activate(Front Desk) activate(Front Desk) keys(deep) " + kMain);
    }

    void selfPlayingIsRefusedBeforeReplaying() {
        PlaybackRig rig(withKeys("(1, 10, '20', NULL, 0, 0), (2, 0, 'after', NULL, 0, 0)"), kTree);
        rig.host.selected = 3;
        rig.player.RunKeySequence(3);
        QCOMPARE(rig.fake.record(), std::string());
        QVERIFY(rig.host.marks.size() == 1);  // the node itself; no mark after a failed nesting
        QCOMPARE(rig.host.captionText,
                 QString("The key sequence 20 plays itself (20 -> 20); it was not played again"));
    }

    void dateForm_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("form");
        QTest::newRow("six") << "070705"
                             << "07/07/2005";
        QTest::newRow("four") << "0707"
                              << "07/07/20";
        QTest::newRow("one") << "1"
                             << "1//20";
        QTest::newRow("empty") << ""
                               << "//20";
        QTest::newRow("eight") << "12312024"
                               << "12/31/2020";
    }
    void dateForm() {
        QFETCH(QString, text);
        QFETCH(QString, form);
        QCOMPARE(nightaudit::dateForm(text), form);
    }
};

QTEST_GUILESS_MAIN(TestKeySequencePlayer)
#include "TestKeySequencePlayer.moc"
