// The main window through its real buttons and wiring, on the fake desktop.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "playback/RunJournal.h"
#include "support/ErrorOf.h"
#include "support/WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// One-keystroke keys, each after two activations; a whole key sequence ends on the main window.
std::string played(const QString& keys, bool whole = true) {
    std::string out;
    for (QChar k : keys)
        out += "activate(Front Desk) activate(Front Desk) keys(" + QString(k).toStdString() + ") ";
    return whole ? out + "activate(Quillmar Night Audit) " : out;
}

QStringList lines(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
}

// What a run leaves: "waits|green nodes|log lines|sent selected" (the keys' waits are all 0).
QString after(const WindowRig& rig) {
    const MainWindow& w = rig.window;
    QStringList waits, green;
    for (auto ms : rig.waiter->waits())
        if (ms != 0) waits << QString::number(ms);
    for (int i = 1; i <= w.tree().nodeCount(); ++i)
        if (w.tree().isPlayed(i)) green << QString::number(i);
    return QStringLiteral("%1|%2|%3|%4 %5")
        .arg(waits.join(' '), green.join(' '), lines(*w.controls().log).join(','))
        .arg(w.state().sentNodeIndex)
        .arg(w.selectedNodeIndex());
}

// T10 plays KS1 (a text, a field) and KS3 (a 2 s pause, a text); T11 types into a window
// that is not there. Tree: TS1 1, T10 2, KS1 3, KS3 4, T11 5, KS2 6.
const char* const kJournalRows = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Cashiers', 'Front Desk', 1, 1), (11, 1, 'Lost', 'Gone Desk', 1, 2);
INSERT INTO keysequence VALUES (1, 10, 'Open', 1, NULL, 0, 0, 1), (3, 10, 'Close', 1, NULL, 0, 0, 2),
 (2, 11, 'Gone', 1, NULL, 0, 0, 1);
INSERT INTO keys VALUES (1, 1, 1, 0, 'SECRET-1~', NULL, 0, 0), (2, 1, 2, 1, 'special1', NULL, 0, 0),
 (3, 2, 1, 0, 'SECRET-2', NULL, 0, 0), (4, 3, 1, 4, NULL, NULL, 0, 2000), (5, 3, 2, 0, 'SECRET-3', NULL, 0, 0);
)";

// Go on a node; the journal's lines without their times.
QStringList runAndRead(WindowRig& rig, int node) {
    rig.window.controls().special(1)->setText("SECRET-FIELD");
    rig.click(node);
    rig.window.controls().go->click();
    QStringList out;
    for (const QString& line : QString::fromStdString(readFile(rig.file.dir() + "/journal.log"))
                                   .split('\n', Qt::SkipEmptyParts)) {
        if (!QDateTime::fromString(line.left(19), "yyyy-MM-dd HH:mm:ss").isValid()) return {line};
        if (line.contains("SECRET")) return {"a keystroke text or field value: " + line};
        out << line.mid(20);
    }
    return out;
}

QString notice(const WindowRig& rig) {
    return rig.window.controls().notice->toolTip();
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    // "steps / key sequences played (a trailing -: its keys typed, the main window not
    // activated) / after / part of the one message shown". Steps: a number clicks that
    // node; go, go2 (tree-only view), next press the buttons; stop presses Stop in the first
    // long wait; post queues a Stop in the 3rd wait; clear forgets the record; drop removes
    // the keysequence table; nodisplay starts without a desktop.
    void runs_data() {
        QTest::addColumn<QStringList>("run");
        // A key sequence alone plays without its own waits; a walk skips the Monday key
        // sequence, which has no node tonight; Next plays the node after the one sent.
        // Stop in KS1's wait leaves KS2 out, and the walk starts no later task.
        for (const char* run :
             {"4 go / bcd / |4|b,c,d|4 4", "2 go / a bcd / 1000 2000 3000|3 4|b,c,d|2 2",
              "1 go / a bcd e / 1000 2000 3000|3 4 6|e|1 5", "3 go2 / a / |3|a|3 3",
              "3 go clear next / bcd / |3 4|b,c,d|4 3", "4 go clear next / e / |4 6|e|5 4",
              "7 go next /  / |||7 7 / no next node", "1 stop go / a / 1000|3|a|1 2",
              "4 post go / bc- / |4|b,c|4 4", "2 stop go clear 3 go / a / 1000|3|a|3 3",
              "nodisplay 3 go /  / |||0 3 / the display :9 cannot be opened",
              "drop 2 go /  / |||2 2 / no such table: KEYSEQUENCE"})
            QTest::newRow(QString(run).section(" / ", 0, 0).toUtf8()) << QString(run).split(" / ");
    }
    void runs() {
        QFETCH(QStringList, run);
        const QString said = run.value(3);
        WindowRig rig(kNightRows, !run[0].startsWith("nodisplay"));
        MainWindow& w = rig.window;
        w.setCaption(QStringLiteral("an earlier error"));
        for (const QString& s : run[0].split(' ')) {
            if (s.toInt() > 0) rig.click(s.toInt());
            if (s == "go") w.controls().go->click();
            if (s == "go2") w.controls().treeOnlyLayout->click(), w.controls().treeOnlyGo->click();
            if (s == "next") w.controls().next->click();
            if (s == "stop") rig.waiter->stopAtWait(1);
            if (s == "post")
                rig.waiter->setObserver([&w, n = 0](std::int32_t) mutable {
                    if (++n == 3)
                        QMetaObject::invokeMethod(
                            &w, [&w] { w.state().stopRequested = true; }, Qt::QueuedConnection);
                });
            if (s == "clear") rig.desktop->clearRecord();
            if (s == "drop") rig.file.exec("DROP TABLE keysequence;");
        }
        std::string record;
        for (const QString& ks : run[1].split(' ', Qt::SkipEmptyParts))
            record += played(ks.chopped(ks.endsWith('-')), !ks.endsWith('-'));
        QCOMPARE(rig.record(), record);
        QCOMPARE(after(rig), run[2]);
        QCOMPARE(rig.messages().size(), said.isEmpty() ? 0 : 1);
        QVERIFY2(said.isEmpty() || rig.messages()[0].contains(said), qPrintable(said));
        if (said.isEmpty()) QCOMPARE(w.caption(), QStringLiteral("Quillmar Night Audit"));
        // Whatever happened, the window takes the next command.
        QVERIFY(!w.isRunning() && w.tree().view()->isEnabled() && w.controls().go->isEnabled());
        QCOMPARE(w.controls().next->isEnabled(), w.state().sentNodeIndex != 0);
    }

    // Go, Next and new collaborators inside a run are refused; the buttons' states are
    // given back as they were.
    void runsAreRefusedWhileOneIsUnderWay() {
        WindowRig rig;
        MainWindow& w = rig.window;
        rig.click(2);
        w.controls().treeOnlyGo->setEnabled(false);
        int enabledInside = -1, collaborators = 0;
        rig.waiter->setObserver([&](std::int32_t) {
            if (enabledInside >= 0) return;
            enabledInside = w.controls().go->isEnabled() + w.controls().treeOnlyGo->isEnabled() +
                            w.controls().next->isEnabled() + w.tree().view()->isEnabled();
            w.onGoClicked();  // as a single click would reach it
            w.onNextClicked();
            collaborators = errorOf([&] { w.setCollaborators({}); }).number;
        });
        w.controls().go->click();
        QCOMPARE(enabledInside, 0);
        QCOMPARE(collaborators, err::InvalidArgument);  // the desktop stays while it types
        QCOMPARE(rig.record(), played("a") + played("bcd"));
        QVERIFY(rig.messages().size() == 2 && rig.messages()[0].contains("already under way"));
        QVERIFY(w.controls().go->isEnabled() && !w.controls().treeOnlyGo->isEnabled() &&
                w.controls().next->isEnabled());
    }
    // Keys as the clerk presses them on KS1, selected (single: clicked in single-click mode):
    // Enter presses the focused button, else Go; Space in the tree is a click, which starts
    // the stopwatch, or in single-click mode runs the node as clicks do; arrows only select.
    // "key sequences played|stopwatch|KS1's waitafter".
    void keys_data() {
        QTest::addColumn<QString>("focus");  // the control with the focus; "" as opened
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        const char* const rows[][4] = {
            {"Enter as the window opens", "", "Return", "a|0|0"},
            {"Enter in the tree", "TreeView1", "Return", "a|0|0"},
            {"Enter in the stopwatch box", "dfnTeach", "Return", "a|0|0"},
            {"Enter on Teach Task presses it", "Command10", "Return", "|0|1000"},
            {"Space in the tree is a click", "TreeView1", "Space", "|1|0"},
            {"arrows only select", "TreeView1", "Down Up", "|0|0"},
            {"single-click mode", "single", "Down Up Up Return Down Space", "a a bcd a|0|0"}};
        for (const auto& [name, focus, keys, result] : rows)
            QTest::newRow(name) << QString(focus) << QString(keys) << QString(result);
    }
    void keys() {
        QFETCH(QString, focus);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        WindowRig rig;
        MainWindow& w = rig.window;
        QTRY_VERIFY(w.isActiveWindow());
        if (focus == "single") w.controls().singleClick->setChecked(true), rig.click(3);
        if (focus != "single") w.selectNode(3);
        if (!focus.isEmpty() && focus != "single") w.findChild<QWidget*>(focus)->setFocus();
        for (const QString& k : keys.split(' '))
            QTest::keyClick(QApplication::focusWidget(), QKeySequence(k)[0].key());
        std::string record;
        for (const QString& ks : result.section('|', 0, 0).split(' ', Qt::SkipEmptyParts))
            record += played(ks);
        QCOMPARE(rig.record(), record);
        QCOMPARE(
            QString("|%1|").arg(w.controls().teachTimer->isActive()) +
                QString::fromStdString(rig.file.dump("SELECT waitafter FROM keys WHERE keysid = 1"))
                    .trimmed(),
            result.mid(result.indexOf('|')));
    }

    // 80 log lines, none lost while the repaint is held back; then it shows the last line.
    void everyLogLineInOrderAndTheListLeftWhereItWas() {
        WindowRig rig(
            std::string(kNightRows) +
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 80) "
            "INSERT INTO keys SELECT 100 + i, 1, 1 + i, 0, i, NULL, 0, 0 FROM n;");
        rig.click(3);
        rig.window.controls().go->click();
        QListWidget& log = *rig.window.controls().log;
        QStringList typed{"a"};  // KS1's own key, then the 80
        for (int i = 1; i <= 80; ++i) typed << QString::number(i);
        QCOMPARE(lines(log), typed);
        QTRY_VERIFY(log.updatesEnabled());
        QCOMPARE(log.verticalScrollBar()->value(), 0);  // the log never scrolls the list
    }

    // What the clerk does during the 2 s pause. The stop key's line is checked end to end.
    void journalLinesOfARun_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"", "Stop", "closing the main window"})
            QTest::newRow(*how ? how : "nothing") << how;
    }
    void journalLinesOfARun() {
        QFETCH(QString, how);
        WindowRig rig(kJournalRows);
        rig.waiter->setObserver([&](std::int32_t ms) {
            if (ms == 2000 && how == "Stop") rig.window.state().stopRequested = true;
            if (ms == 2000 && how.startsWith("closing")) rig.window.close();
        });
        // Without a stop the walk goes on to T11, whose first key fails.
        const QString expected =
            "run started by Go on TS1 \"1- Night\"\nkey sequence 1 played\n" +
            (how.isEmpty() ? "key sequence 3 played\nerror 1001 at key 3 (type 0): No window with "
                             "the title \"Gone Desk\" was found\nkey sequence 2 failed at key 3 "
                             "(type 0)\n"
                           : "key sequence 3 stopped at key 4 (type 4)\nstopped by " + how + "\n") +
            "run ended";
        QCOMPARE(runAndRead(rig, 1).join('\n'), expected);
        QTRY_COMPARE(rig.window.isVisible(),
                     how.isEmpty() || how == "Stop");  // closed after the run
        if (!how.isEmpty()) return;
        QVERIFY(notice(rig).endsWith("No window with the title \"Gone Desk\" was found"));
        runAndRead(rig, 3);  // the next Go, without an error, clears the notice
        QCOMPARE(notice(rig), QString());
    }

    // A journal that cannot be opened (a folder) or written (disk full): the run plays all
    // the same and Label17 says so once. One past its limit is moved aside first.
    void journalFile_data() {
        QTest::addColumn<QString>("fault");
        for (const char* fault : {"folder", "full", "big"}) QTest::newRow(fault) << fault;
    }
    void journalFile() {
        QFETCH(QString, fault);
        WindowRig rig(kJournalRows);
        const QString dir = rig.file.dir();
        const QByteArray old(RunJournal::kRotateBytes + 1, 'x');
        QFile big(dir + "/journal.log");
        if (fault == "big") QVERIFY(big.open(QIODevice::WriteOnly) && big.write(old) == old.size());
        big.close();
        if (fault == "folder") QVERIFY(QDir(dir).mkdir("journal.log"));
        if (fault == "full") QVERIFY(QFile::link("/dev/full", dir + "/journal.log"));
        rig.window.controls().special(1)->setText("F");
        rig.click(3);
        rig.window.controls().go->click();
        QCOMPARE(rig.record(),
                 "activate(Front Desk) activate(Front Desk) keys(SECRET-1~) "
                 "activate(Front Desk) keys(F) activate(Quillmar Night Audit) ");
        QCOMPARE(notice(rig).count("journal.log cannot be written"), fault == "big" ? 0 : 1);
        if (fault != "big") return;
        QCOMPARE(QByteArray::fromStdString(readFile(dir + "/journal.log.1")), old);
        QVERIFY(QFile(dir + "/journal.log").size() < 1000);  // a new file
    }

    // After load: the date field from the window's clock, fields by exact names, Go off
    // until a node is selected; a failed print and the pencil on a task say what is wrong.
    // 07:00 on a Tuesday is still Monday.
    void afterLoad() {
        WindowRig rig;
        MainWindow& w = rig.window;
        const MainControls& c = w.controls();
        QVERIFY(!c.go->isEnabled() && !c.next->isEnabled());
        QCOMPARE(w.controlText("special1"), QStringLiteral("120526"));
        QCOMPARE(w.nodeIndexForKey("KS4"), 0);  // a Saturday: the Monday key sequence is left out
        c.special(1)->setText("010101");
        w.setControlText("special6", "R1234");
        QCOMPARE(w.controlText("special6") + w.controlText("special1"), "R1234010101");
        for (const char* name : {"Special1", "special8", "lstLog", ""})
            QCOMPARE(errorOf([&] { w.setControlText(name, "x"); }).number, err::NoSuchControl);

        rig.click(3);
        QVERIFY(c.go->isEnabled() && c.treeOnlyGo->isEnabled());
        QWidget* area = w.tree().view()->viewport();  // below the last node
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(5, area->height() - 5));
        QCOMPARE(w.selectedNodeIndex(), 0);
        QVERIFY(!c.go->isEnabled() && !c.treeOnlyGo->isEnabled());

        c.print->click();
        rig.printer->fail = true;
        c.print->click();
        rig.click(2);
        c.editKeys->click();
        QCOMPARE(rig.printer->printed, QStringList{QStringLiteral("dlgMain")});
        QCOMPARE(rig.messages(), QStringList({"Printing failed: the printer is out of paper",
                                              "A key sequence must be selected in the tree to "
                                              "edit its keys."}));
        WindowRig monday(kNightRows, true, QDateTime(QDate(2026, 12, 8), QTime(7, 0)));  // Tue
        QCOMPARE(monday.window.nodeIndexForKey("KS4"), 7);
    }
};

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
