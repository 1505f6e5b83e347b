#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

#include "e2e/PlayerOnX.h"
#include "support/FakeDesktop.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// One task with one key sequence (KS1, tree index 3) that types "a" into "Front Desk".
const std::string kRows =
    "INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);"
    "INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1);"
    "INSERT INTO keysequence VALUES (1, 10, 'Keys', 1, NULL, 0, 0, 1);"
    "INSERT INTO keys VALUES (1, 1, 1, 0, 'a', NULL, 0, 0);";

constexpr int kScreenHeight = 1024;  // the session's Xvfb screen

}  // namespace

// The main window on a real X server with a window manager: where it lands, what Enter
// does, and what becomes of a program a key starts.
class TestWindowE2E : public QObject {
    Q_OBJECT
public:
    explicit TestWindowE2E(XSession& session) : m_session(session) {}

private:
    XSession& m_session;

    // The window's outer rectangle (frame and title bar included) as the X server has it.
    QRect outer(const QWidget& w) {
        const QString id = QString::number(w.winId());
        const QString info = m_session.run("xwininfo", {"-id", id});
        const auto field = [&](const char* name) {
            return QRegularExpression(QString(name) + ":\\s+(-?\\d+)")
                .match(info)
                .captured(1)
                .toInt();
        };
        const QString extents = m_session.run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"});
        const QStringList e = extents.section('=', 1).split(',');  // left, right, top, bottom
        if (e.size() != 4) return {};
        return QRect(field("Absolute upper-left X") - e[0].toInt(),
                     field("Absolute upper-left Y") - e[2].toInt(),
                     field("Width") + e[0].toInt() + e[1].toInt(),
                     field("Height") + e[2].toInt() + e[3].toInt());
    }

    std::unique_ptr<dlgMain> windowWithFakeDesktop(const TempStore& store, FakeDesktop*& fake) {
        auto window = showMainWindow(store, m_session);
        if (!window) return nullptr;
        Collaborators c;
        auto desktop = std::make_unique<FakeDesktop>();
        desktop->addWindow("Front Desk");
        desktop->addWindow("Quillmar Night Audit");
        fake = desktop.get();
        c.desktop = std::move(desktop);
        c.waiter = std::make_unique<InstantWaiter>(window->state());
        window->setCollaborators(std::move(c));
        return window;
    }

private slots:
    void outerLowerEdgeSitsAboveTheScreensBottom_data() {
        QTest::addColumn<QString>("startingHeight");
        QTest::addColumn<int>("outerHeight");  // pixels
        QTest::newRow("600 px") << "9000" << 600;
        QTest::newRow("docked size") << "4000" << 267;
        // Taller than the screen: as tall as the room above the gap, its top on screen.
        QTest::newRow("taller than the screen") << "30000" << 997;
    }
    void outerLowerEdgeSitsAboveTheScreensBottom() {
        QFETCH(QString, startingHeight);
        QFETCH(int, outerHeight);
        TempStore store(kRows + "INSERT INTO _config VALUES ('STARTINGHEIGHT', '" +
                        startingHeight.toStdString() + "');");
        auto window = showMainWindow(store, m_session);
        QVERIFY(window);
        // 400 twips are 26.7 pixels: the lower edge lies at 997 give or take the rounding.
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(outer(*window).bottom() + 1 - (kScreenHeight - 27)) <= 1,
                                 5000);
        const QRect r = outer(*window);
        QCOMPARE(r.left(), 0);
        QVERIFY2(qAbs(r.height() - outerHeight) <= 1, qPrintable(QString::number(r.height())));
        QVERIFY(r.top() >= 0);
        // The tree follows the outer height: 600 twips (40 pixels) less.
        QVERIFY(qAbs(window->TreeView1()->height() - (r.height() - 40)) <= 1);
    }

    void enterPressesGoOrTheFocusedButton_data() {
        QTest::addColumn<QString>("focus");   // object name of the control with the focus
        QTest::addColumn<QString>("key");     // as xdotool names it
        QTest::addColumn<bool>("ran");        // Go ran the selected key sequence
        QTest::addColumn<bool>("stopwatch");  // the node click started the stopwatch
        QTest::newRow("Enter as the window opens") << ""
                                                   << "Return" << true << false;
        QTest::newRow("Enter in the tree") << "TreeView1"
                                           << "Return" << true << false;
        QTest::newRow("keypad Enter in the tree") << "TreeView1"
                                                  << "KP_Enter" << true << false;
        QTest::newRow("Enter in the stopwatch box") << "dfnTeach"
                                                    << "Return" << true << false;
        QTest::newRow("Enter on Teach Task") << "Command10"
                                             << "Return" << false << false;
        QTest::newRow("Space in the tree is a click") << "TreeView1"
                                                      << "space" << false << true;
        QTest::newRow("arrows only select") << "TreeView1"
                                            << "Down" << false << false;
    }
    void enterPressesGoOrTheFocusedButton() {
        QFETCH(QString, focus);
        QFETCH(QString, key);
        QFETCH(bool, ran);
        QFETCH(bool, stopwatch);
        TempStore store(kRows);
        FakeDesktop* fake = nullptr;
        auto window = windowWithFakeDesktop(store, fake);
        QVERIFY(window);
        window->selectNode(3);
        m_session.run("xdotool", {"windowactivate", "--sync", QString::number(window->winId())});
        QTRY_VERIFY(window->isActiveWindow());
        if (!focus.isEmpty()) {
            auto* target = window->findChild<QWidget*>(focus);
            target->setFocus();
            QTRY_VERIFY(target->hasFocus());
        }
        m_session.run("xdotool", {"key", key});
        QTest::qWait(300);  // the key's events arrive through the X server
        QCOMPARE(fake->record().find("keys(a)") != std::string::npos, ran);
        QCOMPARE(window->TimerTeach()->isActive(), stopwatch);
        if (focus == "Command10") {  // Teach Task itself was pressed: the 1 s count is stored
            QCOMPARE(store.dump("SELECT waitafter FROM keys"), std::string("1000\n"));
        }
    }

    // A type 2 key's program shows minimized; the run goes on meanwhile.
    void launchedProgramIsMinimized() {
        TempStore store(
            "INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);"
            "INSERT INTO task VALUES (10, 1, 'Desk', 'Quillmar Night Audit', 1, 1);"
            "INSERT INTO keysequence VALUES (1, 10, 'Start', 1, NULL, 0, 0, 1);"
            "INSERT INTO keys VALUES (1, 1, 1, 2, 'xterm -T Launched -e sleep 30', NULL, 0, 0);");
        auto window = showMainWindow(store, m_session);
        QVERIFY(window);
        Collaborators c;
        c.desktop = std::make_unique<X11Desktop>();
        c.waiter = std::make_unique<InstantWaiter>(window->state());
        window->setCollaborators(std::move(c));
        window->selectNode(3);
        window->cmdSend_Click();
        QCOMPARE(window->caption(), QStringLiteral("Quillmar Night Audit"));  // no error
        QTRY_VERIFY_WITH_TIMEOUT(m_session.run("xprop", {"-name", "Launched", "WM_STATE"})
                                     .contains("window state: Iconic"),
                                 12000);
    }
};

int main(int argc, char** argv) {
    return runOnXSession<TestWindowE2E>(argc, argv);
}

#include "TestWindowE2E.moc"
