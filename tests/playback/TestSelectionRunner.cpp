#include <QTest>

#include "PlaybackRig.h"
#include "platform/SendKeysParser.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const std::vector<FakeNode> kTree = {{"TS1"},    {"T10", 1},  {"KS20", 2}, {"KS21", 2},
                                     {"T11", 1}, {"KS30", 5}, {"KS31", 5}, {"TS2"}};

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

const std::string kMain = "activate(Quillmar Night Audit) ";
const std::string kFront = "activate(Front Desk) activate(Front Desk) ";
const std::string kBack = "activate(Back Office) activate(Back Office) ";

// What the player does for each key sequence, whole.
const std::string kPlay20 = "mark(3) " + kFront + "keys(a1) " + kFront + "keys(a2) " + kMain;
const std::string kPlay21 = "mark(4) " + kFront + "keys(b) " + kMain;
const std::string kTask10 =
    "wait(1000) " + kPlay20 + "mark(3) wait(2000) wait(3000) " + kPlay21 + "mark(4) wait(4000) ";
const std::string kTask11 = "mark(6) " + kBack + "keys(e) " + kMain + "mark(6) wait(5000) " +
                            "mark(7) " + kBack + "keys(f) " + kMain + "mark(7) ";

}  // namespace

class TestSelectionRunner : public QObject {
    Q_OBJECT
private slots:
    void goOnEachNodeKind_data() {
        QTest::addColumn<int>("node");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<int>("selectedAfter");
        const auto q = [](const std::string& s) { return QString::fromStdString(s); };
        // A key sequence alone plays without its own waits before and after.
        QTest::newRow("key sequence") << 3 << 3 << q(kPlay20) << 3;
        // Day-skipped 22 and disabled 23 play nothing and wait nothing.
        QTest::newRow("task") << 2 << 2 << q(kTask10) << 2;
        QTest::newRow("task sequence walks its tasks")
            << 1 << 1 << q("select(2) " + kTask10 + "select(5) " + kTask11) << 5;
        QTest::newRow("task sequence without tasks") << 8 << 8 << QString() << 8;
        // Next onto a task sequence walks the node that is selected, not that one.
        QTest::newRow("walk follows the selection")
            << 8 << 1 << q("select(2) " + kTask10 + "select(5) " + kTask11) << 5;
    }
    void goOnEachNodeKind() {
        QFETCH(int, node);
        QFETCH(int, selected);
        QFETCH(QString, trace);
        QFETCH(int, selectedAfter);
        PlaybackRig rig(kRows, kTree, false);
        rig.host.selected = selected;
        rig.runner.ExecuteSelected(static_cast<std::int16_t>(node));
        QCOMPARE(QString::fromStdString(rig.trace), trace);
        QCOMPARE(rig.host.selected, selectedAfter);
        QCOMPARE(rig.host.captionText, QStringLiteral("Quillmar Night Audit"));
    }

    // Stop in the wait before key sequence 20: its first key still plays, then its
    // mark and wait after, and the task ends.
    void stopDuringTask() {
        PlaybackRig rig(kRows, kTree, false);
        rig.waiter.stopAtWait(1);
        rig.runner.ExecuteSelected(2);
        QCOMPARE(rig.trace, "wait(1000) mark(3) " + kFront + "keys(a1) mark(3) wait(2000) ");
        QVERIFY(rig.state.bolStop);
    }

    // The walk starts every remaining task even so; each plays only its first key
    // sequence, up to the player's stop test after the first key.
    void stopDuringWalk() {
        PlaybackRig rig(kRows, kTree, false);
        rig.host.selected = 1;
        rig.waiter.stopAtWait(1);
        rig.runner.ExecuteSelected(1);
        QCOMPARE(rig.trace, "select(2) wait(1000) mark(3) " + kFront +
                                "keys(a1) mark(3) wait(2000) " + "select(5) mark(6) " + kBack +
                                "keys(e) mark(6) wait(5000) ");
        QCOMPARE(rig.host.selected, 5);
    }

    void earlierStopDoesNotCarryOver() {
        PlaybackRig rig(kRows, kTree, false);
        rig.state.bolStop = true;
        rig.runner.ExecuteSelected(3);
        QCOMPARE(rig.trace, kPlay20);
        QCOMPARE(rig.log.lines, (QStringList{"a1", "a2"}));
    }

    void failingKeySequenceDoesNotEndTheTask() {
        PlaybackRig rig(kRows + "UPDATE keys SET keytext = '{BAD}' WHERE keysid = 1;", kTree,
                        false);
        rig.runner.ExecuteSelected(2);
        QString expected;
        try {
            parseSendKeys("{BAD}");
        } catch (const Error& e) {
            expected = QString::fromStdString(e.description());
        }
        QVERIFY(!expected.isEmpty());
        QCOMPARE(rig.host.captionText, expected);
        QCOMPARE(rig.log.lines, QStringList{"b"});
        QCOMPARE(rig.host.marks, (std::vector<int>{3, 3, 4, 4}));
        QCOMPARE(rig.waiter.waits(), (std::vector<std::int32_t>{1000, 0, 2000, 3000, 0, 0, 4000}));
    }

    // A Go handled while the run pumps events must not start a second run.
    void secondRunIsRefused() {
        PlaybackRig rig(kRows, kTree, false);
        int refused = 0;
        bool runningSeen = false;
        rig.host.onEvents = [&] {
            if (rig.host.events != 1) return;
            runningSeen = rig.runner.isRunning();
            try {
                rig.runner.ExecuteSelected(2);
            } catch (const Error& e) {
                refused = e.number();
            }
        };
        rig.runner.ExecuteSelected(3);
        QVERIFY(runningSeen);
        QCOMPARE(refused, err::InvalidArgument);
        QCOMPARE(rig.trace, kPlay20);
        QVERIFY(!rig.runner.isRunning());
        rig.runner.ExecuteSelected(4);  // and the next run starts normally
        QCOMPARE(rig.log.lines, QStringList{"b"});
    }

    // Failures outside a key sequence end the run and reach the caller, before
    // anything is typed.
    void errorsReachTheCaller_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("node");
        QTest::addColumn<bool>("dropTable");
        QTest::addColumn<int>("number");
        QTest::newRow("no such node") << "T10" << 9 << false << err::NoSuchNode;
        QTest::newRow("task id past 16 bits") << "T40000" << 1 << false << err::Overflow;
        QTest::newRow("task id not a number") << "T1x" << 1 << false << err::TypeMismatch;
        QTest::newRow("key sequence query fails")
            << "T10" << 1 << true << err::Store + 1;  // SQLITE_ERROR
    }
    void errorsReachTheCaller() {
        QFETCH(QString, key);
        QFETCH(int, node);
        QFETCH(bool, dropTable);
        QFETCH(int, number);
        PlaybackRig rig(kRows, {{key.toUtf8().constData()}, {"KS20", 1}}, false);
        if (dropTable) rig.db.exec("DROP TABLE keysequence;");
        int thrown = 0;
        try {
            rig.runner.ExecuteSelected(static_cast<std::int16_t>(node));
        } catch (const Error& e) {
            thrown = e.number();
        }
        QCOMPARE(thrown, number);
        QCOMPARE(rig.trace, std::string());
        QVERIFY(!rig.runner.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestSelectionRunner)
#include "TestSelectionRunner.moc"
