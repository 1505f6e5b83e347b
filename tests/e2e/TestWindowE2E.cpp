#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

#include "e2e/PlayerOnX.h"
#include "support/InstantWaiter.h"

#include <QTimer>
#include "support/FakeDesktop.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// One task with one key sequence (KS1, tree index 3) of one key.
std::string rows(const std::string& key, const std::string& extra = {}) {
    return "INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);"
           "INSERT INTO task VALUES (10, 1, 'Desk', 'Quillmar Night Audit', 1, 1);"
           "INSERT INTO keysequence VALUES (1, 10, 'Keys', 1, NULL, 0, 0, 1);"
           "INSERT INTO keys VALUES (1, 1, 1, " +
           key + ", NULL, 0, 0);" + extra;
}

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
        const auto at = [&](const char* name) {
            return QRegularExpression(QString(name) + ":\\s+(-?\\d+)")
                .match(info)
                .captured(1)
                .toInt();
        };
        const QStringList e =  // left, right, top, bottom
            QString(m_session.run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"}))
                .section('=', 1)
                .split(',');
        if (e.size() != 4) return {};
        return QRect(
            at("Absolute upper-left X") - e[0].toInt(), at("Absolute upper-left Y") - e[2].toInt(),
            at("Width") + e[0].toInt() + e[1].toInt(), at("Height") + e[2].toInt() + e[3].toInt());
    }

    // The window shown on `store`, its runs going to `desktop`, node KS1 selected.
    std::unique_ptr<dlgMain> open(const TempStore& store, std::unique_ptr<Desktop> desktop) {
        auto window = showMainWindow(store, m_session);
        if (!window) return nullptr;
        Collaborators c;
        c.desktop = std::move(desktop);
        c.waiter = std::make_unique<InstantWaiter>(window->state());
        window->setCollaborators(std::move(c));
        window->selectNode(3);
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
        TempStore store(rows("0, 'a'", "INSERT INTO _config VALUES ('STARTINGHEIGHT', '" +
                                           startingHeight.toStdString() + "');"));
        auto window = showMainWindow(store, m_session);
        QVERIFY(window);
        // 400 twips are 26.7 pixels above the 1024-pixel screen's bottom: 997, give or take.
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(outer(*window).bottom() + 1 - 997) <= 1, 5000);
        const QRect r = outer(*window);
        QCOMPARE(r.left(), 0);
        QVERIFY2(qAbs(r.height() - outerHeight) <= 1, qPrintable(QString::number(r.height())));
        // The tree follows the outer height: 600 twips (40 pixels) less.
        QVERIFY(qAbs(window->TreeView1()->height() - (r.height() - 40)) <= 1);
    }

    void enterPressesGoOrTheFocusedButton_data() {
        QTest::addColumn<QString>("focus");   // the control with the focus; "" as opened
        QTest::addColumn<QString>("key");     // as xdotool names it
        QTest::addColumn<bool>("ran");        // Go ran the selected key sequence
        QTest::addColumn<bool>("stopwatch");  // a node click started the stopwatch
        const std::tuple<const char*, const char*, const char*, bool, bool> table[] = {
            {"Enter as the window opens", "", "Return", true, false},
            {"Enter in the tree", "TreeView1", "Return", true, false},
            {"Enter in the stopwatch box", "dfnTeach", "Return", true, false},
            {"Enter on Teach Task presses it", "Command10", "Return", false, false},
            {"Space in the tree is a click", "TreeView1", "space", false, true},
            {"arrows only select", "TreeView1", "Down", false, false}};
        for (const auto& [name, focus, key, ran, stopwatch] : table) {
            QTest::newRow(name) << focus << key << ran << stopwatch;
        }
    }
    void enterPressesGoOrTheFocusedButton() {
        QFETCH(QString, focus);
        QFETCH(QString, key);
        QFETCH(bool, ran);
        QFETCH(bool, stopwatch);
        TempStore store(rows("0, 'a'"));
        auto fake = std::make_unique<FakeDesktop>();
        const FakeDesktop& desktop = *fake;
        fake->addWindow("Quillmar Night Audit");
        auto window = open(store, std::move(fake));
        QVERIFY(window);
        m_session.run("xdotool", {"windowactivate", "--sync", QString::number(window->winId())});
        QTRY_VERIFY(window->isActiveWindow());
        if (!focus.isEmpty()) window->findChild<QWidget*>(focus)->setFocus();
        m_session.run("xdotool", {"key", key});
        QTest::qWait(300);  // the key's events arrive through the X server
        QCOMPARE(desktop.record().find("keys(a)") != std::string::npos, ran);
        QCOMPARE(window->TimerTeach()->isActive(), stopwatch);
        // Teach Task itself was pressed: its count of 1 s is stored.
        QCOMPARE(store.dump("SELECT waitafter FROM keys"), focus == "Command10" ? "1000\n" : "0\n");
    }

    // A type 2 key's program shows minimized; the run has gone on meanwhile.
    void launchedProgramIsMinimized() {
        TempStore store(rows("2, 'xterm -T Launched -e sleep 30'"));
        auto window = open(store, std::make_unique<X11Desktop>());
        QVERIFY(window);
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
