#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

std::string waitsText(const std::vector<std::int32_t>& waits) {
    std::string out;
    // The keys' own waits are all 0 here; what is left are the key sequences' waits.
    for (auto w : waits)
        if (w != 0) out += std::to_string(w) + " ";
    return out;
}

std::string marks(const dlgMain& w) {
    std::string out;
    for (int i = 1; i <= w.tree().nodeCount(); ++i)
        if (w.tree().isPlayed(i)) out += std::to_string(i) + " ";
    return out;
}

}  // namespace

// Go, its twin and Next through the real buttons; node clicks and teach mode.
class TestWindowRuns : public QObject {
    Q_OBJECT
private slots:
    void goOnEachNodeKind_data() {
        QTest::addColumn<int>("node");
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("waits");
        QTest::addColumn<QString>("green");
        QTest::addColumn<int>("selectedAfter");
        // A key sequence alone plays without its own waits.
        QTest::newRow("key sequence") << 4 << QString::fromStdString(played("bcd")) << ""
                                      << "4 " << 4;
        QTest::newRow("task") << 2 << QString::fromStdString(played("a") + played("bcd"))
                              << "1000 2000 3000 "
                              << "3 4 " << 2;
        // The Monday key sequence of T11 has no node tonight and is skipped whole.
        QTest::newRow("task sequence walk")
            << 1 << QString::fromStdString(played("a") + played("bcd") + played("e"))
            << "1000 2000 3000 "
            << "3 4 6 " << 5;
        QTest::newRow("task sequence without tasks") << 7 << ""
                                                     << ""
                                                     << "" << 7;
    }
    void goOnEachNodeKind() {
        QFETCH(int, node);
        QFETCH(QString, record);
        QFETCH(QString, waits);
        QFETCH(QString, green);
        QFETCH(int, selectedAfter);
        WindowRig rig;
        rig.click(node);
        rig.window.setCaption(QStringLiteral("an earlier error"));
        rig.window.cmdSend()->click();
        QCOMPARE(QString::fromStdString(rig.record()), record);
        QCOMPARE(QString::fromStdString(waitsText(rig.waiter->waits())), waits);
        QCOMPARE(QString::fromStdString(marks(rig.window)), green);
        QCOMPARE(rig.window.selectedNodeIndex(), selectedAfter);
        QCOMPARE(int(rig.window.state().intSentNodeIndex), node);
        QCOMPARE(rig.window.caption(), QStringLiteral("Quillmar Night Audit"));
        QVERIFY(rig.window.command(8)->isEnabled());
        QVERIFY(rig.window.TreeView1()->isEnabled());
        QVERIFY(rig.messages().isEmpty());
    }

    void runLogShowsTheLastKeySequence() {
        WindowRig rig;
        rig.click(2);
        rig.window.cmdSend()->click();
        const QListWidget* log = rig.window.lstLog();
        QCOMPARE(log->count(), 3);
        QCOMPARE(log->item(0)->text(), QStringLiteral("b"));
        QCOMPARE(log->item(2)->text(), QStringLiteral("d"));
    }

    void secondGoShownTreeOnlyDoesWhatGoDoes() {
        WindowRig rig;
        rig.window.Command7_Click();
        rig.click(3);
        rig.window.cmdSend2()->click();
        QCOMPARE(rig.record(), played("a"));
        QCOMPARE(int(rig.window.state().intSentNodeIndex), 3);
    }

    void next_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<QString>("again");
        QTest::addColumn<int>("sentAfter");
        QTest::newRow("after a key sequence: the next one")
            << 3 << QString::fromStdString(played("bcd")) << 4;
        // The node after a task is its own first key sequence, which plays again.
        QTest::newRow("after a task: its first key sequence")
            << 2 << QString::fromStdString(played("a")) << 3;
        QTest::newRow("after the last key sequence of a task: the next task")
            << 4 << QString::fromStdString(played("e")) << 5;
    }
    void next() {
        QFETCH(int, first);
        QFETCH(QString, again);
        QFETCH(int, sentAfter);
        WindowRig rig;
        rig.click(first);
        rig.window.cmdSend()->click();
        rig.desktop->clearRecord();
        rig.window.command(8)->click();
        QCOMPARE(QString::fromStdString(rig.record()), again);
        QCOMPARE(int(rig.window.state().intSentNodeIndex), sentAfter);
        QCOMPARE(rig.window.selectedNodeIndex(), first);  // Next selects nothing
    }

    void nextAfterTheLastNodeEndsWithAMessage() {
        WindowRig rig;
        rig.click(7);
        rig.window.cmdSend()->click();
        rig.window.command(8)->click();
        QCOMPARE(rig.messages().size(), 1);
        QVERIFY(rig.messages().first().contains(QStringLiteral("no next node")));
        QCOMPARE(int(rig.window.state().intSentNodeIndex), 7);
        QVERIFY(rig.window.TreeView1()->isEnabled());
        QVERIFY(rig.window.command(8)->isEnabled());
        QVERIFY(rig.window.cmdSend()->isEnabled());
        QCOMPARE(rig.record(), std::string());
    }

    void stop_data() {
        QTest::addColumn<int>("node");
        QTest::addColumn<QString>("record");
        // Stop in KS1's wait after: the task ends before KS2.
        QTest::newRow("during a task") << 2 << QString::fromStdString(played("a"));
        // The walk still starts the next task, which plays its first key sequence.
        // The stopped player does not activate the main window again.
        QTest::newRow("during a walk")
            << 1
            << QString::fromStdString(played("a") +
                                      "activate(Front Desk) activate(Front Desk) keys(e) ");
    }
    void stop() {
        QFETCH(int, node);
        QFETCH(QString, record);
        WindowRig rig;
        rig.click(node);
        rig.waiter->stopAtWait(1);
        rig.window.cmdSend()->click();
        QCOMPARE(QString::fromStdString(rig.record()), record);
        // The next Go starts afresh, the stop not carried over.
        rig.desktop->clearRecord();
        rig.click(3);
        rig.window.cmdSend()->click();
        QCOMPARE(rig.record(), played("a"));
    }

    void runsAreRefusedWhileOneIsUnderWay() {
        WindowRig rig;
        rig.click(2);
        bool inside = false;
        QList<bool> enabledInside;
        rig.waiter->setObserver([&](std::int32_t) {
            if (inside) return;
            inside = true;
            dlgMain& w = rig.window;
            enabledInside = {w.cmdSend()->isEnabled(), w.cmdSend2()->isEnabled(),
                             w.command(8)->isEnabled(), w.TreeView1()->isEnabled()};
            w.cmdSend()->click();
            w.cmdSend2()->click();
            w.command(8)->click();
            w.cmdSend_Click();  // as a single-click would reach it
            w.Command8_Click();
        });
        const bool go2Before = rig.window.cmdSend2()->isEnabled();
        rig.window.cmdSend()->click();
        QCOMPARE(enabledInside, (QList<bool>{false, false, false, false}));
        QCOMPARE(rig.record(), played("a") + played("bcd"));
        QCOMPARE(rig.messages().size(), 2);
        QVERIFY(rig.messages().first().contains(QStringLiteral("already under way")));
        QCOMPARE(rig.window.cmdSend()->isEnabled(), true);
        QCOMPARE(rig.window.cmdSend2()->isEnabled(), go2Before);
        QCOMPARE(rig.window.command(8)->isEnabled(), true);
        QCOMPARE(rig.window.TreeView1()->isEnabled(), true);
    }

    void aFailingRunPutsTheWindowBack() {
        WindowRig rig;
        rig.click(2);
        rig.window.cmdSend2()->setEnabled(false);  // states are given back as they were
        rig.file.exec("DROP TABLE keysequence;");
        rig.window.cmdSend()->click();
        QCOMPARE(rig.messages().size(), 1);
        QVERIFY2(
            rig.messages().first().contains(QStringLiteral("keysequence"), Qt::CaseInsensitive),
            qPrintable(rig.messages().first()));
        QCOMPARE(rig.record(), std::string());
        QVERIFY(rig.window.cmdSend()->isEnabled());
        QVERIFY(!rig.window.cmdSend2()->isEnabled());
        QVERIFY(rig.window.command(8)->isEnabled());
        QVERIFY(rig.window.TreeView1()->isEnabled());
        QVERIFY(!rig.window.isRunning());
    }

    void aFailingSingleClickRunLeavesTheClickToFinish() {
        WindowRig rig;
        rig.window.Check1()->setChecked(true);
        rig.file.exec("DROP TABLE keysequence;");
        rig.click(2);
        QCOMPARE(rig.messages().size(), 1);
        QVERIFY(rig.window.TreeView1()->isEnabled());
        QVERIFY(rig.window.TimerTeach()->isActive());
        QCOMPARE(rig.window.command(10)->text(), QStringLiteral("Teach Task(T10)"));
        rig.click(3);  // the tree takes clicks again
        QCOMPARE(int(rig.window.state().intKeySequenceID), 1);
    }

    void noDesktopRefusesRunsWithItsReason() {
        WindowRig rig(kNightRows, false);
        rig.click(3);
        rig.window.cmdSend()->click();
        QCOMPARE(rig.messages().size(), 1);
        QVERIFY(rig.messages().first().contains(QStringLiteral("the display :9 cannot be opened")));
        QCOMPARE(int(rig.window.state().intSentNodeIndex), 0);
        QVERIFY(!rig.window.command(8)->isEnabled());
        QVERIFY(!rig.window.tree().isPlayed(3));
    }

    void nodeClick_data() {
        QTest::addColumn<int>("node");
        QTest::addColumn<QString>("instructions");
        QTest::addColumn<bool>("editor");
        QTest::addColumn<int>("keySequenceId");
        QTest::addColumn<bool>("stopwatch");
        // Each click comes after a click on KS2, which set the id to 2 and started the stopwatch.
        QTest::newRow("task sequence") << 1 << "Check every cashier first." << false << 2 << true;
        QTest::newRow("task") << 2 << "" << true << 2 << false;
        QTest::newRow("key sequence") << 6 << "" << true << 3 << false;
    }
    void nodeClick() {
        QFETCH(int, node);
        QFETCH(QString, instructions);
        QFETCH(bool, editor);
        QFETCH(int, keySequenceId);
        QFETCH(bool, stopwatch);
        WindowRig rig;
        QVERIFY(!rig.window.cmdSend()->isEnabled());
        rig.click(4);
        QVERIFY(rig.window.TimerTeach()->isActive());
        rig.window.txtInstructions()->setPlainText(QStringLiteral("old"));
        rig.click(node);
        QCOMPARE(rig.window.txtInstructions()->toPlainText(), instructions);
        QVERIFY(rig.window.cmdSend()->isEnabled());
        QCOMPARE(rig.window.command(6)->isEnabled(), editor);
        QCOMPARE(int(rig.window.state().intKeySequenceID), keySequenceId);
        QCOMPARE(rig.window.TimerTeach()->isActive(), stopwatch);
        QCOMPARE(rig.window.command(10)->text(), "Teach Task(" + rig.window.nodeKey(node) + ")");
        QCOMPARE(rig.record(), std::string());  // single-click mode is off
    }

    void singleClickModeRunsOnClicksNotOnArrows() {
        WindowRig rig;
        rig.window.Check1()->setChecked(true);
        rig.click(3);
        QCOMPARE(rig.record(), played("a"));
        QVERIFY(rig.window.TimerTeach()->isActive());  // started after the run

        rig.desktop->clearRecord();
        rig.key(Qt::Key_Down);  // to KS2: selected and shown, not run
        QCOMPARE(rig.window.selectedNodeIndex(), 4);
        QCOMPARE(rig.record(), std::string());
        QCOMPARE(rig.window.command(10)->text(), QStringLiteral("Teach Task(KS2)"));
        QCOMPARE(int(rig.window.state().intKeySequenceID), 2);
        QVERIFY(rig.window.TimerTeach()->isActive());  // arrows leave the stopwatch alone
        rig.key(Qt::Key_Up);
        rig.key(Qt::Key_Up);
        rig.key(Qt::Key_Up);  // to the task sequence: instructions, Go on, editor off
        QCOMPARE(rig.window.txtInstructions()->toPlainText(),
                 QStringLiteral("Check every cashier first."));
        QVERIFY(!rig.window.command(6)->isEnabled());
        QCOMPARE(rig.record(), std::string());

        rig.key(Qt::Key_Down);
        rig.key(Qt::Key_Return);  // Enter presses Go on T10: a run, but no click
        QCOMPARE(rig.record(), played("a") + played("bcd"));
        QVERIFY(rig.window.TimerTeach()->isActive());
        rig.desktop->clearRecord();
        rig.key(Qt::Key_Down);
        rig.key(Qt::Key_Space);
        QCOMPARE(rig.record(), played("a"));
        // The run through the task set the id to its last key sequence; the task click kept it.
        QCOMPARE(int(rig.window.state().intKeySequenceID), 1);
    }

    void goIsOffWhileNoNodeIsSelected() {
        WindowRig rig;
        rig.click(3);
        QVERIFY(rig.window.cmdSend()->isEnabled() && rig.window.cmdSend2()->isEnabled());
        QWidget* area = rig.window.TreeView1()->viewport();  // a click below the last node
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(5, area->height() - 5));
        QCOMPARE(rig.window.selectedNodeIndex(), 0);
        QVERIFY(!rig.window.cmdSend()->isEnabled() && !rig.window.cmdSend2()->isEnabled());
        QVERIFY(rig.messages().isEmpty());
    }

    void teachTaskWritesTheCountToTheLastKeys() {
        WindowRig rig;
        rig.click(4);
        QCOMPARE(rig.window.dfnTeach()->text(), QStringLiteral("1"));
        for (int i = 0; i < 14; ++i) rig.window.TimerTeach_Timer();
        QCOMPARE(rig.window.dfnTeach()->text(), QStringLiteral("15"));
        rig.click(2);  // a task click stops the stopwatch and keeps the count and the id
        QVERIFY(!rig.window.TimerTeach()->isActive());
        // The caption names the task; the tooltip names where the time goes.
        QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2),
                         rig.window.command(10)->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(rig.window.command(10), &hover);
        QVERIFY(rig.window.command(10)->toolTip().contains(QStringLiteral("KS2")));
        rig.window.command(10)->click();
        QCOMPARE(rig.file.dump("SELECT keysid, waitafter FROM keys ORDER BY keysid"),
                 std::string("1|0\n2|0\n3|15000\n4|15000\n5|0\n6|0\n"));
        rig.click(6);
        QVERIFY(rig.window.TimerTeach()->isActive());
        QCOMPARE(rig.window.dfnTeach()->text(), QStringLiteral("1"));
        QVERIFY(rig.messages().isEmpty());
    }

    void teachTaskRefusesWhatItCannotStore() {
        WindowRig rig;
        rig.click(4);
        const std::string before = rig.file.dump("SELECT * FROM keys");
        rig.window.dfnTeach()->setText(QStringLiteral("ten"));
        rig.window.command(10)->click();
        QCOMPARE(rig.messages().size(), 1);
        QVERIFY(rig.messages().first().contains(QStringLiteral("not a number")));
        QCOMPARE(rig.file.dump("SELECT * FROM keys"), before);
        rig.window.TimerTeach_Timer();  // the tick starts a count it cannot read again
        QCOMPARE(rig.window.dfnTeach()->text(), QStringLiteral("1"));

        rig.file.exec("DROP TABLE keys;");
        rig.window.command(10)->click();
        QCOMPARE(rig.messages().size(), 2);
        QVERIFY(rig.messages().last().contains(QStringLiteral("keys")));
    }
};

QTEST_MAIN(TestWindowRuns)
#include "TestWindowRuns.moc"
