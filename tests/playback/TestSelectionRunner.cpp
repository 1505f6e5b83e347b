#include <QTest>

#include <utility>

#include "PlaybackRig.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const std::vector<FakeNode> kTree = {{"TS1"},     {"T10", 1}, {"KS20", 2}, {"KS21", 2}, {"T11", 1},
                                     {"KS30", 5}, {"TS2"},    {"T40000"},  {"T1x"}};

// Key sequence 22 is another weekday's (not in the tree), 23 is disabled.
const std::string kRows = std::string(kTasks) + R"(
INSERT INTO keysequence VALUES (20, 10, 'a', 1, NULL, 1000, 2000, 1), (21, 10, 'b', 1, NULL, 3000, 4000, 3),
  (22, 10, 'c', 1, 'Xyz', 500, 600, 2), (23, 10, 'd', 0, NULL, 0, 0, 4), (30, 11, 'e', 1, NULL, 0, 5000, 1);
INSERT INTO keys VALUES (1, 20, 1, 0, 'a1', NULL, NULL, NULL), (2, 20, 2, 0, 'a2', NULL, NULL, NULL),
  (3, 21, 1, 0, 'b', NULL, NULL, NULL), (4, 22, 1, 0, 'c', NULL, NULL, NULL),
  (5, 23, 1, 0, 'd', NULL, NULL, NULL), (6, 30, 1, 0, 'e', NULL, NULL, NULL);
)";

// What the player and the runner do for each task, whole.
const std::string kPlay20 =
    "show(3) mark(3) " + kFront + "keys(a1) " + kFront + "keys(a2) " + kMain;
const std::string kTask10 = "wait(1000) " + kPlay20 +
                            "mark(3) wait(2000) wait(3000) show(4) mark(4) " + kFront + "keys(b) " +
                            kMain + "mark(4) wait(4000) ";
const std::string kTask11 = "show(6) mark(6) " + kBack + "keys(e) " + kMain + "mark(6) wait(5000) ";
const QString kCaption = QStringLiteral("Quillmar Night Audit");
const std::string kBad = "Keystroke text: unknown key name \"BAD\" at character 2";

// Runs of a node while `selected` is selected. Plain runs, stops and store failures
// through the main window are in the window's own tests.
struct Case {
    const char* name;
    int node;
    int selected;
    std::string trace;  // waits of 0 ms left out
    int error = 0;      // the number of the Error that reaches the caller
    QString caption = kCaption;
    std::string sql = {};  // run on the store first
    bool goAgain = false;  // Go is pressed again while the run handles window events
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"a task: day-skipped and disabled key sequences neither play nor wait", 2, 2, kTask10},
        {"Go on a task sequence walks the selected node", 7, 1,
         "select(2) " + kTask10 + "select(5) " + kTask11},
        {"a failing key sequence does not end the task", 2, 2,
         "wait(1000) show(3) mark(3) " + kFront + "mark(3) wait(2000) wait(3000) show(4) mark(4) " +
             kFront + "keys(b) activate(" + kBad + ") mark(4) wait(4000) ",
         0, QString::fromStdString(kBad), "UPDATE keys SET keytext = '{BAD}' WHERE keysid = 1;"},
        {"a second Go during a run is refused", 3, 3,
         "show(3) mark(3) " + kFront + "keys(a1) refused(" + std::to_string(err::InvalidArgument) +
             ") " + kFront + "keys(a2) " + kMain,
         0, kCaption, "", true},
        // Failures outside a key sequence end the run before anything is typed.
        {"no such node", 10, 10, "", err::NoSuchNode},
        {"task id past 16 bits", 8, 8, "", err::Overflow},
        {"task id not a number", 9, 9, "", err::TypeMismatch},
        {"a walk with nothing selected", 1, 0, "", err::NoSuchNode},
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
        rig.host.selected = c.selected;
        if (c.goAgain) {
            rig.host.onEvents = [&rig, tried = false]() mutable {
                if (std::exchange(tried, true)) return;
                const Thrown e = errorOf([&] { rig.runner.ExecuteSelected(2); });
                rig.fake.note("refused(" + std::to_string(e.number) + ") ");
            };
        }
        const Thrown e =
            errorOf([&] { rig.runner.ExecuteSelected(static_cast<std::int16_t>(c.node)); });
        QCOMPARE(e.number, c.error);
        QCOMPARE(QString::fromStdString(rig.trace), QString::fromStdString(c.trace));
        QCOMPARE(rig.host.captionText, c.caption);
        QVERIFY(!rig.runner.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestSelectionRunner)
#include "TestSelectionRunner.moc"
