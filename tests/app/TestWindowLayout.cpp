#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "core/Twips.h"
#include "editor/dlgEdit.h"
#include "support/ErrorOf.h"
#include "support/WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// The window keeps 400 twips clear above the screen's bottom; the tree is 600 shorter.
void checkDocked(const dlgMain& w, int heightTwips) {
    QCOMPARE(w.windowHeightTwips(), heightTwips);
    const int screen = pixelsToTwips(QGuiApplication::primaryScreen()->geometry().height());
    QCOMPARE(w.y(), twipsToPixels(screen - heightTwips - 400));
    QCOMPARE(w.TreeView1()->height(), twipsToPixels(heightTwips - 600));
}

// Opens the key editor the click opens, notes how many keys it lists, and closes it.
int keysInOpenedEditor(dlgMain& w) {
    int listed = -1;
    QTimer::singleShot(0, [&listed] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* editor = qobject_cast<dlgEdit*>(top); editor && editor->isVisible()) {
                listed = editor->findChild<QListWidget*>(QStringLiteral("lstKeys"))->count();
                editor->reject();
            }
    });
    w.command(6)->click();
    QTest::qWait(0);  // the watch runs even when nothing opened
    return listed;
}

}  // namespace

// The window as Form_Load leaves it, and the layout, print and key editor buttons.
class TestWindowLayout : public QObject {
    Q_OBJECT
private slots:
    void startingHeightAndDockLow_data() {
        QTest::addColumn<QString>("config");
        QTest::addColumn<int>("height");
        const int designed = dlgMain::kDesignedHeightTwips;
        QTest::newRow("6000") << "'6000'" << 6000;
        QTest::newRow("leading number") << "'7500 words'" << 7500;
        QTest::newRow("number column") << "4500" << 4500;
        QTest::newRow("0") << "'0'" << designed;
        QTest::newRow("negative") << "'-50'" << designed;
        QTest::newRow("no number") << "'tall'" << designed;
        QTest::newRow("Null") << "NULL" << designed;
        QTest::newRow("no row") << "" << designed;
    }
    void startingHeightAndDockLow() {
        QFETCH(QString, config);
        QFETCH(int, height);
        const std::string entry =
            config.isEmpty()
                ? "INSERT INTO _config VALUES ('startheight', '5000');"
                : "INSERT INTO _config VALUES ('STARTINGHEIGHT', " + config.toStdString() + ");";
        TempStore file(entry + kNightRows);
        dlgMain w(QString::fromStdString(file.path()));
        w.Form_Load();
        QCOMPARE(w.x(), 0);
        checkDocked(w, height);
        const int width = w.width();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.command(11)->click();
        checkDocked(
            w, pixelsToTwips(twipsToPixels(4000)));  // not a whole number of pixels: as read back
        QCOMPARE(w.x(), 0);
        QCOMPARE(w.width(), width);
        w.setWindowHeightTwips(450);  // would leave the tree no height at all
        QTRY_COMPARE(w.TreeView1()->height(), twipsToPixels(300));
    }

    void afterLoad() {
        WindowRig rig;
        dlgMain& w = rig.window;
        QVERIFY(!w.cmdSend()->isEnabled() && !w.command(8)->isEnabled() &&
                !w.command(6)->isEnabled());
        QCOMPARE(w.controlText("special1"), QStringLiteral("120526"));  // from the window's clock
        QCOMPARE(w.nodeIndexForKey("KS4"), 0);  // a Saturday: the Monday key sequence is left out
        for (int i = 1; i <= w.nodeCount(); ++i) QVERIFY(w.tree().item(i)->isExpanded());
        w.command(4)->click();
        QVERIFY(!w.tree().item(1)->isExpanded());
        w.command(3)->click();
        QVERIFY(w.tree().item(1)->isExpanded());
        // Fields are found by their exact names; what the clerk typed is what is read.
        w.special(1)->setText("010101");
        w.setControlText("special6", "R1234");
        QCOMPARE(w.controlText("special6") + w.controlText("special1"),
                 QStringLiteral("R1234010101"));
        for (const char* name : {"Special1", "special8", "TimerTeach", "lstLog", ""})
            QCOMPARE(errorOf([&] { w.controlText(name); }).number, err::NoSuchControl);
        QCOMPARE(errorOf([&] { w.setControlText("Special1", "x"); }).number, err::NoSuchControl);

        // 07:00 on Tuesday: the audit day is Monday.
        WindowRig monday(kNightRows, true, QDateTime(QDate(2026, 12, 8), QTime(7, 0)));
        QCOMPARE(monday.window.tree().text(monday.window.nodeIndexForKey("KS4")),
                 QStringLiteral("2- Monday report"));
    }

    // Narrow puts the actions beside a narrower task frame; wide gives the loaded layout back.
    void layoutButtons() {
        WindowRig rig;
        dlgMain& w = rig.window;
        const QRect tasks = w.frame(2)->geometry(), actions = w.frame(3)->geometry();
        const int width = w.width();
        w.command(2)->click();
        QVERIFY(w.frame(2)->width() < tasks.width());
        QVERIFY(w.frame(3)->x() < actions.x() && w.frame(3)->x() >= w.frame(2)->geometry().right());
        QVERIFY(w.frame(3)->geometry().right() < w.width() && w.width() < width);
        QCOMPARE(w.frame(3)->y(), actions.y());
        w.command(1)->click();
        QCOMPARE(w.frame(2)->geometry(), tasks);
        QCOMPARE(w.frame(3)->geometry(), actions);
        QVERIFY(w.frame(3)->geometry().right() < w.width());

        w.command(7)->click();  // the tree only
        // The task frame and its tree take the window's width less their margins.
        QCOMPARE(w.frame(2)->width(), twipsToPixels(w.windowWidthTwips() - 400));
        QCOMPARE(w.TreeView1()->width(), twipsToPixels(w.windowWidthTwips() - 700));
        QVERIFY(w.frame(3)->isHidden() && w.frame(1)->isHidden() && w.cmdSend2()->isVisible());
        w.command(9)->click();  // the log ends above the stopwatch row, so "Time:" shows
        QVERIFY(w.lstLog()->geometry().bottom() <
                w.findChild<QLabel*>("Label16")->geometry().top());
    }

    void printAndKeyEditorButtons() {
        WindowRig rig;
        rig.window.command(5)->click();
        QCOMPARE(rig.printer->printed, QStringList{QStringLiteral("dlgMain")});
        rig.printer->fail = true;
        rig.window.command(5)->click();
        QCOMPARE(rig.messages(), QStringList{"Printing failed: the printer is out of paper"});

        // The pencil opens the key editor on a key sequence only.
        rig.click(2);
        QCOMPARE(keysInOpenedEditor(rig.window), -1);
        QCOMPARE(rig.messages().size(), 2);
        QVERIFY(rig.messages().last().contains(QStringLiteral("key sequence must be selected")));
        rig.click(4);
        QCOMPARE(keysInOpenedEditor(rig.window), 3);  // KS2 has the keys b, c and d
        QCOMPARE(rig.messages().size(), 2);
    }
};

QTEST_MAIN(TestWindowLayout)
#include "TestWindowLayout.moc"
