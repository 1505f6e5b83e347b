#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "WindowRig.h"
#include "core/Twips.h"
#include "editor/dlgEdit.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

int widthTwips(const QWidget* w) {
    return pixelsToTwips(w->width());
}

// Closes the key editor the click opens, noting how many keys it listed.
struct EditorWatch {
    int opened = 0;
    int keysListed = -1;
    void arm() {
        QTimer::singleShot(0, [this] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* editor = qobject_cast<dlgEdit*>(top);
                if (!editor || !editor->isVisible()) continue;
                ++opened;
                keysListed = editor->findChild<QListWidget*>(QStringLiteral("lstKeys"))->count();
                editor->reject();
            }
        });
    }
};

}  // namespace

// The layout, print and key editor buttons of the main window.
class TestWindowLayout : public QObject {
    Q_OBJECT
private slots:
    void narrowThenWideGivesTheDesign() {
        WindowRig rig;
        rig.window.command(2)->click();
        QCOMPARE(widthTwips(rig.window.frame(2)), 3975);
        QCOMPARE(pixelsToTwips(rig.window.frame(3)->x()), 4080);
        QCOMPARE(rig.window.windowWidthTwips(), 6465);
        rig.window.command(1)->click();
        QCOMPARE(widthTwips(rig.window.frame(2)), 7815);
        QCOMPARE(pixelsToTwips(rig.window.frame(3)->x()), 8040);
        QCOMPARE(rig.window.windowWidthTwips(), 10395);
        QCOMPARE(rig.window.frame(3)->y(), twipsToPixels(120));  // only the left edge moves
    }

    void dockLowSitsAboveTheScreensBottom() {
        WindowRig rig;
        const int left = rig.window.x();
        const int width = rig.window.width();
        rig.window.command(11)->click();
        // 4000 twips is not a whole number of pixels: the top follows the height read back.
        const int height = pixelsToTwips(twipsToPixels(4000));
        QCOMPARE(rig.window.windowHeightTwips(), height);
        const int screen = pixelsToTwips(QGuiApplication::primaryScreen()->geometry().height());
        QCOMPARE(rig.window.y(), twipsToPixels(screen - height - 400));
        QCOMPARE(rig.window.TreeView1()->height(), twipsToPixels(3400));
        QCOMPARE(rig.window.x(), left);
        QCOMPARE(rig.window.width(), width);
    }

    void treeOnlyLeavesTheTreeAndTheSecondGo() {
        WindowRig rig;
        rig.window.command(1)->click();
        rig.window.command(7)->click();
        QCOMPARE(rig.window.frame(2)->width(), twipsToPixels(9995));
        QCOMPARE(rig.window.TreeView1()->width(), twipsToPixels(9695));
        QVERIFY(rig.window.frame(3)->isHidden());
        QVERIFY(rig.window.frame(1)->isHidden());
        QVERIFY(rig.window.txtInstructions()->isHidden());
        QVERIFY(rig.window.findChild<QLabel*>(QStringLiteral("Label1"))->isHidden());
        QVERIFY(rig.window.cmdSend2()->isVisible());
        // On top of the widened tree: a click there reaches the second Go.
        const QPoint go = rig.window.cmdSend2()->geometry().center();
        QCOMPARE(rig.window.frame(2)->childAt(go), rig.window.cmdSend2());
    }

    void clockShortensTheLog() {
        WindowRig rig;
        QCOMPARE(rig.window.lstLog()->height(), twipsToPixels(5715));
        rig.window.command(9)->click();
        QCOMPARE(rig.window.lstLog()->height(), twipsToPixels(4115));
        // The log now ends above the stopwatch row, so "Time:" is not covered.
        const QWidget* time = rig.window.findChild<QLabel*>(QStringLiteral("Label16"));
        QVERIFY(rig.window.lstLog()->geometry().bottom() < time->geometry().top());
    }

    void printerPrintsTheWindow() {
        WindowRig rig;
        rig.window.command(5)->click();
        QCOMPARE(rig.printer->printed, QStringList{QStringLiteral("dlgMain")});
        QVERIFY(rig.messages().isEmpty());
        rig.printer->fail = true;
        rig.window.command(5)->click();
        QCOMPARE(rig.messages(), QStringList{"Printing failed: the printer is out of paper"});
    }

    void pencilOnATaskOpensNothing() {
        WindowRig rig;
        rig.click(2);
        QVERIFY(rig.window.command(6)->isEnabled());
        EditorWatch watch;
        watch.arm();
        rig.window.command(6)->click();
        QCOMPARE(watch.opened, 0);
        QCOMPARE(rig.messages().size(), 1);
        QVERIFY(rig.messages().first().contains(QStringLiteral("key sequence must be selected")));
        QTest::qWait(0);  // lets the watch run before it goes out of scope
    }

    void pencilOnAKeySequenceOpensTheEditor() {
        WindowRig rig;
        rig.click(4);
        EditorWatch watch;
        watch.arm();
        rig.window.command(6)->click();
        QCOMPARE(watch.opened, 1);
        QCOMPARE(watch.keysListed, 3);  // KS2 has the keys b, c and d
        QVERIFY(rig.messages().isEmpty());
    }
};

QTEST_MAIN(TestWindowLayout)
#include "TestWindowLayout.moc"
