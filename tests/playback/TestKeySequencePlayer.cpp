#include <QTest>

#include "PlaybackRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const std::vector<FakeNode> kTree = {{"TS1"},    {"T10", 1},  {"KS20", 2},
                                     {"T11", 1}, {"KS30", 4}, {"KSx", 4}};
const QString kCaption = QStringLiteral("Quillmar Night Audit");
const std::map<QString, QString> kFields = {
    {"special1", "070705"}, {"special2", "0707"}, {"special3", "12312024"}, {"special6", "Müller"}};
const std::string kNever = ", (9, 0, 'never', NULL, 0, 0)";  // must not play after a failure

// One run of key sequence 20 (task 10, "Front Desk"), or of tree node `node` when that
// is not 0. `keys` and `nested` are VALUES rows of key sequences 20 and 30 (task 11,
// "Back Office") without their first two columns:
// (keyorder, keytype, keytext, keypurpose, waitbefore, waitafter).
struct Case {
    const char* name;
    std::string keys;
    std::string trace;
    QString log = {};  // the run log, lines joined by " | "; "left over" before the run
    QString caption = kCaption;
    std::string nested = {};
    int node = 0;
    std::int16_t id = 20;  // the key sequence id the run leaves in the shared state
    int selected = 3;      // the tree's selected node
    int stop = 0;          // n > 0: Stop in the nth wait of a second or more; -1: before the run
};

// The trace of a key of type 0 (`keys`) or 1 (`text`) into task 10's window, waits of 0.
std::string typed(const std::string& keys) {
    return "wait(0) " + kFront + "keys(" + keys + ") wait(0) ";
}
std::string field(const std::string& text) {
    return "wait(0) activate(Front Desk) keys(" + text + ") wait(0) ";
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"0 keystrokes: wait, activate twice, send, wait", "(1, 0, 'abc{ENTER}', NULL, 1000, 2000)",
         "wait(1000) " + kFront + "keys(abc{ENTER}) wait(2000) " + kMain, "abc{ENTER}"},
        {"1 field text: activate once; the date form only for 'String Date'",
         "(1, 1, 'special1', NULL, 5, 6), (2, 1, 'special6', NULL, 0, 0),"
         " (3, 1, 'special1', 'String Date', 0, 0), (4, 1, 'special1', 'string date', 0, 0),"
         " (5, 1, 'special2', 'String Date', 0, 0), (6, 1, 'special3', 'String Date', 0, 0)",
         "wait(5) activate(Front Desk) keys(070705) wait(6) " + field("Müller") +
             field("07/07/2005") + field("070705") + field("07/07/20") + field("12/31/2020") +
             kMain,
         "070705 | Müller | 07/07/2005 | 070705 | 07/07/20 | 12/31/2020"},
        {"2 3 4: launch never activates; print, then 2 s; pause: after, then before",
         "(1, 2, 'xterm -e top', NULL, 5, 6), (2, 3, 'Totals', NULL, 700, 800),"
         " (3, 4, NULL, NULL, 1000, 3000)",
         "wait(5) launch(xterm -e top) wait(6) print(Totals) wait(2000) wait(3000) wait(1000) " +
             kMain},
        {"5 6 7 pointer: no waits, text coordinates rounded",
         "(1, 5, NULL, NULL, 100, 200), (2, 6, NULL, NULL, 1, 2), (3, 7, NULL, NULL, ' 12 ', "
         "'7.5')",
         "pointer(100,200) pointer(1,2) down pointer(12,8) up " + kMain},
        {"8 named window, not logged; 9 11 12 reports; 13 and Null nothing",
         "(1, 8, 'xyz', 'Back Office', 1, 2), (2, 9, '/tmp/a.txt', NULL, 1, 2),"
         " (3, 11, '/tmp/ns.txt', NULL, 1, 2), (4, 12, NULL, NULL, 1, 2),"
         " (5, 13, 'x', NULL, 1, 2), (6, NULL, 'y', NULL, 1, 2)",
         "wait(1) activate(Back Office) keys(xyz) wait(2) parse(/tmp/a.txt) noshow(/tmp/ns.txt) "
         "nextguest " +
             kMain},
        {"key order, ties in stored order",
         "(3, 0, 'c', NULL, 0, 0), (1, 0, 'a', NULL, 0, 0), (2, 8, 'b', 'Back Office', 0, 0),"
         " (3, 1, 'special2', NULL, 0, 0)",
         typed("a") + "wait(0) activate(Back Office) keys(b) wait(0) " + typed("c") +
             field("0707") + kMain,
         "a | c | 0707"},
        {"from a tree node: shown, marked, its id", "(1, 0, 'a', NULL, 0, 0)",
         "show(3) mark(3) " + typed("a") + kMain, "a", kCaption, "", 3},
        {"pause waits with fractions, read alike in every locale",
         "(1, 4, NULL, NULL, '999.6', '2999.6')", "wait(3000) wait(1000) " + kMain},
        {"Stop in a wait ends the run after that key",
         "(1, 0, 'a', NULL, 1000, 2000), (2, 0, 'b', NULL, 0, 0)",
         "wait(1000) " + kFront + "keys(a) wait(2000) ", "a", kCaption, "", 0, 20, 3, 1},
        {"a Stop from before still plays the first key",
         "(1, 0, 'a', NULL, 0, 0), (2, 0, 'b', NULL, 0, 0)", typed("a"), "a", kCaption, "", 0, 20,
         3, -1},
        // A failure ends the key sequence at once, shows its description as the caption
        // and leaves the main window alone; one before the key sequence is found leaves
        // the run log too.
        {"window missing", "(1, 8, 'x', 'Nowhere', 0, 0)" + kNever, "wait(0) ", "",
         "No window with the title \"Nowhere\" was found"},
        {"malformed keystrokes", "(1, 0, 'ab{ENTER', NULL, 0, 0)" + kNever, "wait(0) " + kFront, "",
         "Keystroke text: '{' is never closed at character 3"},
        {"field that is no control", "(1, 1, 'special9', NULL, 0, 0)" + kNever, "", "",
         "No control named special9"},
        {"Null key text", "(1, 0, NULL, NULL, 0, 0)" + kNever, "", "",
         "Invalid use of Null: the key text is Null"},
        {"Null coordinate", "(1, 6, NULL, NULL, 100, NULL)" + kNever, "", "",
         "Type mismatch: the y coordinate (waitafter) is Null"},
        {"text coordinate", "(1, 5, NULL, NULL, '12abc', 5)" + kNever, "", "",
         "Type mismatch: the x coordinate (waitbefore) \"12abc\" is not a number"},
        {"nested id not a number", "(1, 10, 'abc', NULL, 0, 0)" + kNever, "", "",
         "Type mismatch: the key sequence to run (key text) \"abc\" is not a number"},
        {"key text not UTF-8", "(1, 0, CAST(X'61FF62' AS TEXT), NULL, 0, 0)" + kNever, "", "",
         "The key text is not valid UTF-8; nothing was typed"},
        // A loop is refused before the key sequence plays again; it ends the whole chain.
        {"plays itself through another",
         "(1, 0, 'a', NULL, 0, 0), (2, 10, '30', NULL, 0, 0)" + kNever,
         typed("a") + "wait(0) activate(Back Office) activate(Back Office) keys(b) wait(0) ", "b",
         "The key sequence 20 plays itself (20 -> 30 -> 20); it was not played again",
         "(1, 0, 'b', NULL, 0, 0), (2, 10, '20', NULL, 0, 0), (3, 0, 'never', NULL, 0, 0)", 0, 30},
        {"nested id past 16 bits", "(1, 10, '40000', NULL, 0, 0)" + kNever, "", "",
         "Overflow: the key sequence to run (key text) 40000 does not fit a 16-bit number"},
        {"print fails: no wait after it", "(1, 3, 'missing', NULL, 0, 0)" + kNever, "", "",
         "File not found: missing"},
        {"no such node", "(1, 0, 'x', NULL, 0, 0)", "", "left over", "No node with index 9", "", 9,
         0},
        {"node key not a number", "(1, 0, 'x', NULL, 0, 0)", "show(6) mark(6) ", "left over",
         "Type mismatch: the key sequence id of the node \"x\" is not a number", "", 6, 0},

        {"nested sequence, then the selected node marked",
         "(1, 0, 'a', NULL, 0, 0), (2, 10, '30', NULL, 0, 0), (3, 0, 'b', NULL, 0, 0)",
         typed("a") + "wait(0) " + kBack + "keys(n) wait(0) " + kMain + "mark(3) " + typed("b") +
             kMain,
         "n | b", kCaption, "(1, 0, 'n', NULL, 0, 0)", 0, 30},
        {"a failing nested sequence lets the outer go on",
         "(1, 10, '30', NULL, 0, 0), (2, 0, 'b', NULL, 0, 0)",
         "wait(0) " + kBack + "mark(3) wait(0) " + kFront +
             "keys(b) wait(0) activate(Keystroke text: unknown key name \"NOPE\" at character 2) ",
         "b", "Keystroke text: unknown key name \"NOPE\" at character 2",
         "(1, 0, '{NOPE}', NULL, 0, 0)" + kNever, 0, 30},
        {"no node selected after a nested sequence", "(1, 10, '30', NULL, 0, 0)" + kNever, kMain,
         "", "No node is selected in the tree", "", 0, 30, 0},
        {"a sequence that runs itself is refused before it plays again",
         "(1, 10, '20', NULL, 0, 0), (2, 0, 'after', NULL, 0, 0)", "show(3) mark(3) ", "",
         "The key sequence 20 plays itself (20 -> 20); it was not played again", "", 3},
    };
    return all;
}

}  // namespace

class TestKeySequencePlayer : public QObject {
    Q_OBJECT
private slots:
    void plays_data() {
        QTest::addColumn<int>("i");
        for (int i = 0; i < static_cast<int>(cases().size()); ++i)
            QTest::newRow(cases()[i].name) << i;
    }
    void plays() {
        QFETCH(int, i);
        const Case& c = cases()[i];
        const std::string keys =
            "INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext,"
            " keypurpose, waitbefore, waitafter) SELECT ";
        PlaybackRig rig(
            std::string(kTasks) +
                "INSERT INTO keysequence VALUES (20, 10, 'Close', 1, NULL, 0, 0, 1),"
                " (30, 11, 'Nested', 1, NULL, 0, 0, 1);\n" +
                (c.keys.empty() ? "" : keys + "20, * FROM (VALUES " + c.keys + ");") +
                (c.nested.empty() ? "" : keys + "30, * FROM (VALUES " + c.nested + ");"),
            kTree);
        rig.host.controls = kFields;
        rig.host.log = QStringList{"left over"};
        rig.host.selected = c.selected;
        if (c.stop > 0) rig.waiter.stopAtWait(c.stop);
        rig.state.bolStop = c.stop < 0;
        rig.player.RunKeySequence(static_cast<std::int16_t>(c.node), c.node ? 0 : 20);
        QCOMPARE(QString::fromStdString(rig.trace), QString::fromStdString(c.trace));
        QCOMPARE(rig.host.log.join(" | "), c.log);
        QCOMPARE(rig.host.captionText, c.caption);
        QCOMPARE(rig.state.intKeySequenceID, c.id);
    }

    // Key sequences 101 ... 101 + limit, each running the next and then typing "back";
    // the last types "deep". The chain from 102 is as deep as the limit allows, the one
    // from 101 one deeper: it types nothing, and the depth count unwinds after it.
    void nestingLimit() {
        const int limit = KeySequencePlayer::MaxNestingDepth;
        std::string rows = kTasks;
        for (int id = 101; id <= 101 + limit; ++id) {
            const std::string n = std::to_string(id), next = std::to_string(id + 1);
            rows += "INSERT INTO keysequence VALUES (" + n + ", 10, 'n', 1, NULL, 0, 0, 1);" +
                    "INSERT INTO keys VALUES (NULL, " + n + ", 1, " +
                    (id < 101 + limit ? "10, '" + next + "'" : "0, 'deep'") +
                    ", NULL, 0, 0), (NULL, " + n + ", 2, 0, 'back', NULL, 0, 0);";
        }
        PlaybackRig rig(rows, kTree, false);
        rig.host.selected = 1;
        const QStringList played = QStringList{"deep"} + QStringList(limit, "back");
        rig.player.RunKeySequence(0, 102);
        QCOMPARE(rig.host.log, played);
        rig.fake.clearRecord();
        rig.player.RunKeySequence(0, 101);
        QCOMPARE(rig.trace, std::string());
        rig.host.log.clear();
        rig.player.RunKeySequence(0, 102);
        QCOMPARE(rig.host.log, played);
    }
};

QTEST_GUILESS_MAIN(TestKeySequencePlayer)
#include "TestKeySequencePlayer.moc"
