#include <QTest>

#include <utility>

#include "PlaybackRig.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const std::vector<FakeNode> kTree = {{"TS1"},     {"T10", 1},  {"KS20", 2}, {"KS21", 2}, {"T11", 1},
                                     {"KS30", 5}, {"KS31", 5}, {"TS2"},     {"T40000"},  {"T1x"}};

// Key sequence 22 is another weekday's (not in the tree), 23 is disabled.
const std::string kRows = std::string(kTasks) + R"(
INSERT INTO keysequence VALUES (20, 10, 'a', 1, NULL, 1000, 2000, 1), (21, 10, 'b', 1, NULL, 3000, 4000, 3),
  (22, 10, 'c', 1, 'Xyz', 500, 600, 2), (23, 10, 'd', 0, NULL, 0, 0, 4),
  (30, 11, 'e', 1, NULL, 0, 5000, 1), (31, 11, 'f', 1, NULL, 0, 0, 2);
INSERT INTO keys VALUES (1, 20, 1, 0, 'a1', NULL, NULL, NULL), (2, 20, 2, 0, 'a2', NULL, NULL, NULL),
  (3, 21, 1, 0, 'b', NULL, NULL, NULL), (4, 22, 1, 0, 'c', NULL, NULL, NULL),
  (5, 23, 1, 0, 'd', NULL, NULL, NULL), (6, 30, 1, 0, 'e', NULL, NULL, NULL),
  (7, 31, 1, 0, 'f', NULL, NULL, NULL);
)";

// What the player does for each key sequence, whole; the runner adds the marks and
// waits around it.
const std::string kPlay20 =
    "show(3) mark(3) " + kFront + "keys(a1) " + kFront + "keys(a2) " + kMain;
const std::string kPlay21 = "show(4) mark(4) " + kFront + "keys(b) " + kMain;
const std::string kTask10 =
    "wait(1000) " + kPlay20 + "mark(3) wait(2000) wait(3000) " + kPlay21 + "mark(4) wait(4000) ";
const std::string kTask11 = "show(6) mark(6) " + kBack + "keys(e) " + kMain +
                            "mark(6) wait(5000) " + "show(7) mark(7) " + kBack + "keys(f) " +
                            kMain + "mark(7) ";
const QString kCaption = QStringLiteral("Quillmar Night Audit");
const std::string kBad = "Keystroke text: unknown key name \"BAD\" at character 2";

struct Case {
    const char* name;
    int node;
    std::string trace;  // waits of 0 ms left out
    int error = 0;      // the number of the Error that reaches the caller
    QString caption = kCaption;
    std::string sql = {};  // run on the store before
    int selected = -1;     // the tree's selected node; -1: the node run
    int stop = 0;          // n > 0: Stop in the nth wait of a second or more; -1: before the run
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"a key sequence alone has no waits of its own", 3, kPlay20},
        {"a task: day-skipped and disabled ones neither play nor wait", 2, kTask10},
        {"a task sequence walks its tasks", 1, "select(2) " + kTask10 + "select(5) " + kTask11},
        {"a task sequence without tasks", 8, ""},
        {"the walk follows the selection, not the node", 8,
         "select(2) " + kTask10 + "select(5) " + kTask11, 0, kCaption, "", 1},
        {"Stop in a task's first wait ends it after one key", 2,
         "wait(1000) show(3) mark(3) " + kFront + "keys(a1) mark(3) wait(2000) ", 0, kCaption, "",
         -1, 1},
        {"Stop in a walk: each task still plays its first key", 1,
         "select(2) wait(1000) show(3) mark(3) " + kFront + "keys(a1) mark(3) wait(2000) " +
             "select(5) show(6) mark(6) " + kBack + "keys(e) mark(6) wait(5000) ",
         0, kCaption, "", -1, 1},
        {"a Stop from before does not carry over", 3, kPlay20, 0, kCaption, "", -1, -1},
        {"a failing key sequence does not end the task", 2,
         "wait(1000) show(3) mark(3) " + kFront + "mark(3) wait(2000) wait(3000) " +
             "show(4) mark(4) " + kFront + "keys(b) activate(" + kBad + ") mark(4) wait(4000) ",
         0, QString::fromStdString(kBad), "UPDATE keys SET keytext = '{BAD}' WHERE keysid = 1;"},

        // Failures outside a key sequence end the run before anything is typed.
        {"no such node", 11, "", err::NoSuchNode},
        {"task id past 16 bits", 9, "", err::Overflow},
        {"task id not a number", 10, "", err::TypeMismatch},
        {"a walk with nothing selected", 1, "", err::NoSuchNode, kCaption, "", 0},
        {"the store fails", 2, "", err::Store + 1, kCaption,
         "DROP TABLE keysequence;"},  // SQLITE_ERROR
    };
    return all;
}

}  // namespace

class TestSelectionRunner : public QObject {
    Q_OBJECT
private slots:
    void runs_data() {
        QTest::addColumn<int>("i");
        for (int i = 0; i < static_cast<int>(cases().size()); ++i)
            QTest::newRow(cases()[i].name) << i;
    }
    void runs() {
        QFETCH(int, i);
        const Case& c = cases()[i];
        PlaybackRig rig(kRows + c.sql, kTree, false);
        rig.host.selected = c.selected < 0 ? c.node : c.selected;
        if (c.stop > 0) rig.waiter.stopAtWait(c.stop);
        rig.state.bolStop = c.stop < 0;
        const Thrown e =
            errorOf([&] { rig.runner.ExecuteSelected(static_cast<std::int16_t>(c.node)); });
        QCOMPARE(e.number, c.error);
        QCOMPARE(QString::fromStdString(rig.trace), QString::fromStdString(c.trace));
        QCOMPARE(rig.host.captionText, c.caption);
        QVERIFY(!rig.runner.isRunning());
    }

    // A Go handled while the run pumps window events must not start a second run.
    void secondRunIsRefused() {
        PlaybackRig rig(kRows, kTree, false);
        bool tried = false;
        Thrown second;
        rig.host.onEvents = [&] {
            if (!std::exchange(tried, true))
                second = errorOf([&] { rig.runner.ExecuteSelected(2); });
        };
        rig.runner.ExecuteSelected(3);
        QCOMPARE(second.number, err::InvalidArgument);
        QCOMPARE(rig.trace, kPlay20);
        rig.trace.clear();
        rig.runner.ExecuteSelected(4);  // and the next run starts normally
        QCOMPARE(rig.trace, kPlay21);
    }
};

QTEST_GUILESS_MAIN(TestSelectionRunner)
#include "TestSelectionRunner.moc"
