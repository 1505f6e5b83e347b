#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "support/WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// What a run leaves in the window, as one line. The keys' own waits are all 0 here, so
// the waits listed are the key sequences'.
QString after(const WindowRig& rig) {
    const dlgMain& w = rig.window;
    QStringList waits, green, log;
    for (auto ms : rig.waiter->waits())
        if (ms != 0) waits << QString::number(ms);
    for (int i = 1; i <= w.tree().nodeCount(); ++i)
        if (w.tree().isPlayed(i)) green << QString::number(i);
    for (int i = 0; i < w.lstLog()->count(); ++i) log << w.lstLog()->item(i)->text();
    return QStringLiteral("waits %1 | green %2 | log %3 | sent %4, selected %5")
        .arg(waits.join(' '), green.join(' '), log.join(','))
        .arg(w.state().intSentNodeIndex)
        .arg(w.selectedNodeIndex());
}

// One run through the window, and what it must leave behind.
struct Run {
    const char* name;
    const char* steps;
    std::string record;
    QString after;
    QString said = {};  // part of the one message shown, or none
};

}  // namespace

Q_DECLARE_METATYPE(Run)

// Go, its twin and Next through the real buttons; node clicks, single-click mode, teach.
class TestWindowRuns : public QObject {
    Q_OBJECT
private slots:
    // Steps: a number clicks that node; go, go2 (in the tree-only view) and next press
    // the buttons; stop makes the first long wait from then on press Stop, post makes the
    // 3rd wait post a Stop for the event loop to deliver; clear forgets
    // the record so far; drop removes the keysequence table; nodisplay (first) starts
    // the window without a desktop.
    void runs_data() {
        QTest::addColumn<Run>("run");
        const std::string a = played("a"), bcd = played("bcd"), e = played("e");
        const Run runs[] = {
            // A key sequence alone plays without its own waits.
            {"key sequence", "4 go", bcd, "waits  | green 4 | log b,c,d | sent 4, selected 4"},
            {"task", "2 go", a + bcd,
             "waits 1000 2000 3000 | green 3 4 | log b,c,d | sent 2, selected 2"},
            // The Monday key sequence of T11 has no node tonight and is skipped whole.
            {"walk", "1 go", a + bcd + e,
             "waits 1000 2000 3000 | green 3 4 6 | log e | sent 1, selected 5"},
            {"no tasks", "7 go", "", "waits  | green  | log  | sent 7, selected 7"},
            {"twin", "3 go2", a, "waits  | green 3 | log a | sent 3, selected 3"},
            // Next plays the node after the one sent and selects nothing; after a task that
            // is the task's own first key sequence.
            {"next key sequence", "3 go clear next", bcd,
             "waits  | green 3 4 | log b,c,d | sent 4, selected 3"},
            {"next after task", "2 go clear next", a,
             "waits 1000 2000 3000 | green 3 4 | log a | sent 3, selected 2"},
            {"next task", "4 go clear next", e, "waits  | green 4 6 | log e | sent 5, selected 4"},
            {"next at the end", "7 go next", "", "waits  | green  | log  | sent 7, selected 7",
             "no next node"},
            // Stop in KS1's wait after: the task ends before KS2; a walk still starts the
            // next task, which plays its first key, and the main window is not activated.
            {"stop in task", "2 stop go", a, "waits 1000 | green 3 | log a | sent 2, selected 2"},
            {"stop in walk", "1 stop go", a + typed("e"),
             "waits 1000 | green 3 6 | log e | sent 1, selected 5"},
            // Stop as an event posted in the 2nd key's wait before, seen after that key.
            {"stop event between keys", "4 post go", typed("bc"),
             "waits  | green 4 | log b,c | sent 4, selected 4"},
            {"stop not kept", "2 stop go clear 3 go", a,
             "waits 1000 | green 3 | log a | sent 3, selected 3"},
            {"no display", "nodisplay 3 go", "", "waits  | green  | log  | sent 0, selected 3",
             "the display :9 cannot be opened"},
            {"store fails", "drop 2 go", "", "waits  | green  | log  | sent 2, selected 2",
             "no such table: KEYSEQUENCE"},
        };
        for (const Run& r : runs) QTest::newRow(r.name) << r;
    }
    void runs() {
        QFETCH(Run, run);
        const QStringList steps = QString(run.steps).split(' ');
        WindowRig rig(kNightRows, steps.first() != "nodisplay");
        dlgMain& w = rig.window;
        w.setCaption(QStringLiteral("an earlier error"));
        for (const QString& s : steps) {
            bool isNode = false;
            const int node = s.toInt(&isNode);
            if (isNode) rig.click(node);
            if (s == "go") w.cmdSend()->click();
            if (s == "go2") w.Command7_Click(), w.cmdSend2()->click();
            if (s == "next") w.command(8)->click();
            if (s == "stop") rig.waiter->stopAtWait(1);
            if (s == "post")
                rig.waiter->setObserver([&w, n = 0](std::int32_t) mutable {
                    if (++n == 3)
                        QMetaObject::invokeMethod(
                            &w, [&w] { w.state().bolStop = true; }, Qt::QueuedConnection);
                });
            if (s == "clear") rig.desktop->clearRecord();
            if (s == "drop") rig.file.exec("DROP TABLE keysequence;");
        }
        QCOMPARE(rig.record(), run.record);
        QCOMPARE(after(rig), run.after);
        QCOMPARE(rig.messages().size(), run.said.isEmpty() ? 0 : 1);
        if (!run.said.isEmpty())
            QVERIFY2(rig.messages()[0].contains(run.said), qPrintable(rig.messages()[0]));
        if (run.said.isEmpty()) QCOMPARE(w.caption(), QStringLiteral("Quillmar Night Audit"));
        // Whatever happened, the window takes the next command.
        QVERIFY(!w.isRunning());
        QVERIFY(w.TreeView1()->isEnabled() && w.cmdSend()->isEnabled());
        QCOMPARE(w.command(8)->isEnabled(), w.state().intSentNodeIndex != 0);
    }

    void runsAreRefusedWhileOneIsUnderWay() {
        WindowRig rig;
        dlgMain& w = rig.window;
        rig.click(2);
        w.cmdSend2()->setEnabled(false);  // states are given back as they were
        QList<bool> enabledInside;
        rig.waiter->setObserver([&](std::int32_t) {
            if (!enabledInside.isEmpty()) return;
            enabledInside = {w.cmdSend()->isEnabled(), w.cmdSend2()->isEnabled(),
                             w.command(8)->isEnabled(), w.TreeView1()->isEnabled()};
            w.cmdSend_Click();  // as a single click would reach it
            w.Command8_Click();
        });
        w.cmdSend()->click();
        QCOMPARE(enabledInside, (QList<bool>{false, false, false, false}));
        QCOMPARE(rig.record(), played("a") + played("bcd"));
        QCOMPARE(rig.messages().size(), 2);
        QVERIFY(rig.messages().first().contains(QStringLiteral("already under way")));
        QVERIFY(w.cmdSend()->isEnabled() && !w.cmdSend2()->isEnabled() &&
                w.command(8)->isEnabled());
    }

    void singleClickModeRunsOnClicksNotOnArrows() {
        WindowRig rig;
        dlgMain& w = rig.window;
        w.Check1()->setChecked(true);
        rig.click(3);
        QCOMPARE(rig.record(), played("a"));
        QVERIFY(w.TimerTeach()->isActive());  // started after the run
        rig.desktop->clearRecord();
        rig.key(Qt::Key_Down);  // to KS2: selected and shown, not run
        QCOMPARE(w.command(10)->text(), QStringLiteral("Teach Task(KS2)"));
        QCOMPARE(int(w.state().intKeySequenceID), 2);
        QVERIFY(w.TimerTeach()->isActive());              // arrows leave the stopwatch alone
        for (int i = 0; i < 3; ++i) rig.key(Qt::Key_Up);  // to the task sequence
        QCOMPARE(w.txtInstructions()->toPlainText(), QStringLiteral("Check every cashier first."));
        QVERIFY(!w.command(6)->isEnabled());  // no key editor for a task sequence
        QCOMPARE(rig.record(), std::string());
        rig.key(Qt::Key_Down);
        QCOMPARE(w.txtInstructions()->toPlainText(), QString());
        QVERIFY(w.command(6)->isEnabled());
        rig.key(Qt::Key_Return);  // Enter is the keyboard's click on T10
        QCOMPARE(rig.record(), played("a") + played("bcd"));
        rig.desktop->clearRecord();
        rig.key(Qt::Key_Down);
        rig.key(Qt::Key_Space);
        QCOMPARE(rig.record(), played("a"));

        // A run that fails leaves the click to finish, and the tree takes clicks again.
        rig.file.exec("DROP TABLE keysequence;");
        rig.click(2);
        QCOMPARE(rig.messages().size(), 1);
        QCOMPARE(w.command(10)->text(), QStringLiteral("Teach Task(T10)"));
        rig.click(4);
        QCOMPARE(int(w.state().intKeySequenceID), 2);
    }

    void teachTaskWritesTheCountToTheLastKeys() {
        WindowRig rig;
        dlgMain& w = rig.window;
        rig.click(4);
        for (int i = 0; i < 14; ++i) w.TimerTeach_Timer();
        rig.click(2);  // a task click stops the stopwatch and keeps the count and the id
        QVERIFY(!w.TimerTeach()->isActive());
        w.command(10)->click();
        QCOMPARE(rig.file.dump("SELECT keysid, waitafter FROM keys ORDER BY keysid"),
                 std::string("1|0\n2|0\n3|15000\n4|15000\n5|0\n6|0\n"));
        QVERIFY(rig.messages().isEmpty());
    }
};

QTEST_MAIN(TestWindowRuns)
#include "TestWindowRuns.moc"
