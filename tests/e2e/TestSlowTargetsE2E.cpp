// Slow and remote targets through the real main window on a throwaway X session: the
// keystroke delay against a target that loses keys arriving close together, Pause inside
// a delayed text, a program whose window comes late, and the journal of a killed run.
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <signal.h>

#include "e2e/PlayerOnX.h"
#include "platform/X11StopKey.h"

// Xlib last: its None macro would clash with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// KS1 types into an xev window, KS2 a long text and KS4 a short one into Front Desk, KS3
// starts a program whose window comes 1.5 s later (from the store's folder) and types into it.
const char* const kRows = R"(
INSERT INTO tasksequence VALUES (1, 'Slow', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Lossy', 'Lossy Desk', 1, 1), (11, 1, 'Desk', 'Front Desk', 1, 2),
                        (12, 1, 'Late', 'Late Desk', 1, 3);
INSERT INTO keysequence VALUES (1, 10, 'Lossy', 1, ' ', 0, 0, 1), (2, 11, 'Long', 1, ' ', 0, 0, 1),
  (4, 11, 'Short', 1, ' ', 0, 0, 2), (3, 12, 'Late', 1, ' ', 0, 0, 1);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, waitbefore, waitafter) VALUES
  (1, 1, 0, 'slowtyping', 0, 0), (2, 1, 0, '{TAB 100}~', 0, 0), (4, 1, 0, 'abcdefghij', 0, 0), (3, 2, 0, 'x', 0, 0),
  (3, 1, 2, 'sh -c "sleep 1.5; exec xterm -u8 -T ''Late Desk'' -e sh -c ''stty raw -echo; exec cat >> late.bin''"', 0, 0);
)";

// What a target keeps that loses every key pressed less than 15 ms (server time) after
// the key before it, from xev's report of the presses.
QString keptByLossyTarget(const QByteArray& xev) {
    static const QRegularExpression press(
        R"(KeyPress event.*?time (\d+),.*?\(keysym 0x\w+, (\w+)\))",
        QRegularExpression::DotMatchesEverythingOption);
    QString kept;
    qint64 last = -1000;
    for (auto it = press.globalMatch(QString::fromLatin1(xev)); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1).toLongLong() - last >= 15) kept += m.captured(2);
        last = m.captured(1).toLongLong();
    }
    return kept;
}

// Whether the window manager lists a window titled "Late Desk", as the desktop would find
// it. A window may close while its title is read: that X error is ignored here.
bool lateListed(Display* x) {
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(x, DefaultRootWindow(x), XInternAtom(x, "_NET_CLIENT_LIST", False), 0, 4096,
                       False, XA_WINDOW, &type, &format, &n, &after, &data);
    const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    bool listed = false;
    for (unsigned long i = 0; i < n && !listed; ++i) {
        XTextProperty name{};  // any encoding: the title is plain ASCII
        if (!XGetWMName(x, reinterpret_cast<Window*>(data)[i], &name) || !name.value) continue;
        listed = QByteArray(reinterpret_cast<char*>(name.value), int(name.nitems)) == "Late Desk";
        XFree(name.value);
    }
    XSync(x, False);
    XSetErrorHandler(previous);
    if (data) XFree(data);
    return listed;
}

}  // namespace

class TestSlowTargetsE2E : public QObject {
    Q_OBJECT
public:
    explicit TestSlowTargetsE2E(XSession& session) : m_session(session) {}

private:
    XSession& m_session;
    TempStore m_store{kRows};
    QString m_frontDesk, m_late = m_store.dir() + "/late.bin";
    QProcess* m_xev = nullptr;
    std::unique_ptr<dlgMain> m_window;

    void setting(const char* entry, int value) {
        m_store.exec("INSERT OR REPLACE INTO _config VALUES ('" + std::string(entry) + "', " +
                     std::to_string(value) + ")");
    }
    void go(const QString& key) {
        m_window->setCaption("Quillmar Night Audit");
        m_window->selectNode(m_window->nodeIndexForKey(key));
        m_window->cmdSend()->click();
    }
    QStringList journal() const {
        return QString::fromStdString(readFile(m_store.dir() + "/journal.log")).split('\n');
    }
    Display* m_x = nullptr;  // the test's own look at the window manager's list

private slots:
    void initTestCase() {
        m_frontDesk = m_session.startRecorder("Front Desk");
        QVERIFY2(!m_frontDesk.isEmpty(), qPrintable(m_session.error()));
        m_xev = m_session.spawn("stdbuf",
                                {"-oL", "xev", "-name", "Lossy Desk", "-event", "keyboard"}, true);
        QTRY_VERIFY(!m_session.run("xwininfo", {"-name", "Lossy Desk"}).isEmpty());
        QVERIFY(QDir::setCurrent(m_store.dir()));
        QVERIFY((m_x = XOpenDisplay(nullptr)));
        QVERIFY((m_window = showMainWindow(m_store, m_session)));
        Collaborators c;
        auto desktop = std::make_unique<X11Desktop>();
        c.stopKey = std::make_unique<X11StopKey>();
        desktop->setStopKey(c.stopKey.get());
        c.desktop = std::move(desktop);
        m_window->setCollaborators(std::move(c));
    }
    void cleanupTestCase() {
        m_window.reset();
        XCloseDisplay(m_x);
    }

    void keyDelayKeepsEveryKey_data() {
        QTest::addColumn<int>("delay");
        QTest::newRow("none") << 0;
        QTest::newRow("40 ms") << 40;
    }
    void keyDelayKeepsEveryKey() {
        QFETCH(int, delay);
        setting("KEYDELAY", delay);
        m_xev->readAllStandardOutput();
        QByteArray seen;
        go("KS1");
        QVERIFY(QTest::qWaitFor(
            [&] { return (seen += m_xev->readAllStandardOutput()).count("KeyRelease") >= 10; }));
        QCOMPARE(keptByLossyTarget(seen) == "slowtyping", delay > 0);
        QCOMPARE(m_window->lblVersion()->text().endsWith(", keys 40 ms apart"), delay > 0);
    }

    // Pause acts inside the delay: at most the keystroke on its way follows.
    void pauseStopsADelayedText() {
        setting("KEYDELAY", 100);
        const qint64 front = XSession::size(m_frontDesk);
        const QString atPause = m_store.dir() + "/at-pause";
        m_session.spawn("sh",
                        {"-c", QString("while [ $(stat -c %s %1) -lt %2 ]; do sleep 0.002; done; "
                                       "xdotool key Pause; stat -c %s %1 > %3")
                                   .arg(m_frontDesk)
                                   .arg(front + 3)
                                   .arg(atPause)});
        go("KS2");
        QTRY_VERIFY(QFile(atPause).size() > 0);
        const QByteArray got = XSession::readFrom(m_frontDesk, front, 0);
        QVERIFY2(front + got.size() - std::stoll(readFile(atPause)) <= 1, got.toHex().constData());
        QCOMPARE(journal().filter(" stopped by ").value(0).mid(20),
                 QString("stopped by the Pause key"));
        setting("KEYDELAY", 0);
    }

    void windowThatComesLate_data() {
        QTest::addColumn<int>("wait");
        QTest::newRow("no wait") << 0;
        QTest::newRow("5 s") << 5000;
    }
    void windowThatComesLate() {
        QFETCH(int, wait);
        setting("WINDOWWAIT", wait);
        const qint64 late = XSession::size(m_late);
        // Every 5 ms: has another program's window joined the list, has the countdown gone?
        QVERIFY(!lateListed(m_x));
        qint64 appeared = 0, waitEnded = 0;
        bool waiting = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            const bool now = QApplication::activeModalWidget() &&
                             QApplication::activeModalWidget()->objectName() == "dlgWait";
            if (waiting && !now) waitEnded = QDateTime::currentMSecsSinceEpoch();
            if (!appeared && lateListed(m_x)) appeared = QDateTime::currentMSecsSinceEpoch();
            waiting = now;
        });
        probe.start(5);
        go("KS3");
        probe.stop();
        if (wait == 0) {
            QCOMPARE(m_window->caption(),
                     QString("No window with the title \"Late Desk\" was found"));
        } else {
            QCOMPARE(XSession::readFrom(m_late, late, 1), QByteArray("x"));
            qInfo("the wait ended %lld ms after the window appeared", waitEnded - appeared);
            QVERIFY(appeared > 0 && waitEnded >= appeared && waitEnded - appeared < 200);
        }
        QTRY_VERIFY_WITH_TIMEOUT(lateListed(m_x), 10000);
        m_session.closeWindow("Late Desk");
        QTRY_VERIFY_WITH_TIMEOUT(!lateListed(m_x), 10000);
    }

    // A run killed mid-text keeps every journal line written before the kill, whole.
    void killedRunKeepsItsJournal() {
        QFile::remove(m_store.dir() + "/journal.log");
        const qint64 front = XSession::size(m_frontDesk);
        QProcess* driver = m_session.spawn(NIGHTAUDIT_BINARY_DIR "/tests/e2e/e2e_player_driver",
                                           {QString::fromStdString(m_store.path()), "4"});
        QTRY_VERIFY_WITH_TIMEOUT(XSession::size(m_frontDesk) - front >= 50, 20000);
        ::kill(static_cast<pid_t>(driver->processId()), SIGKILL);
        QVERIFY(driver->waitForFinished());
        QStringList lines = journal();
        QCOMPARE(lines.takeLast(), QString());  // the last line is whole
        QVERIFY(lines.takeFirst().endsWith(" run started by Go on KS4 \"\""));
        QVERIFY(lines.size() >=
                (XSession::size(m_frontDesk) - front) / 10 - 1);  // all typed but one
        QCOMPARE(lines.filter(QRegularExpression("^\\S+ \\S+ key sequence 4 played$")), lines);
    }
};

int main(int argc, char** argv) {
    return runOnXSession<TestSlowTargetsE2E>(argc, argv);
}
#include "TestSlowTargetsE2E.moc"
