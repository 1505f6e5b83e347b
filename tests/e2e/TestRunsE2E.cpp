// Whole runs through the real main window and its Go button on a throwaway X session:
// the program's own desktop, stop key and countdown, recording xterms as the targets.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "e2e/PlayerOnX.h"
#include "platform/X11StopKey.h"

// Xlib last: its None macro would clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const QString kCaption = QStringLiteral("Quillmar Night Audit");

// Keystroke texts and the bytes a raw xterm receives for them.
const std::pair<const char*, const char*> kTexts[] = {
    {"+abc{TAB}x~", "Abc\tx\r"},
    {"+(ab)c ^a%x~", "ABc \x01\x1bx\r"},
    {"{{}q{}}", "{q}"},
    {"{TAB 2}z", "\t\tz"},
    {"caf\xC3\xA9~", "caf\xC3\xA9\r"},
    {"{ESC}{DEL}", "\x1b\x1b[3~"},
    {"12.50{BS}", "12.50\x08"},
    {"^(ac)", "\x01\x03"},
};
constexpr int kTextCount = sizeof kTexts / sizeof kTexts[0];
constexpr int kSequences = 10;

// Task sequence 1: ten key sequences of three texts each (key sequence 105 also types
// the first special field as a date). Task 20: a long text that faults interrupt, then
// one more key sequence. 203 and 204 play each other. 205 waits 5 s before its second
// key. Task 30 types {BREAK} into an xev window; task 40 types into a till that closes
// during the 2 s wait between its two keys.
std::string rows() {
    std::string sql = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1), (2, 'Faults', NULL, 1, 2);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (20, 2, 'Long', 'Front Desk', 1, 1),
                        (21, 2, 'Loops', 'Front Desk', 1, 2), (30, 2, 'Break', 'Break Target', 1, 3),
                        (40, 2, 'Till', 'Till', 1, 4);
INSERT INTO keysequence VALUES (201, 20, 'Long', 1, ' ', 0, 0, 1), (202, 20, 'Next', 1, ' ', 0, 0, 2),
  (203, 21, 'A', 1, ' ', 0, 0, 1), (204, 21, 'B', 1, ' ', 0, 0, 2), (205, 21, 'Wait', 1, ' ', 0, 0, 3),
  (301, 30, 'Break', 1, ' ', 0, 0, 1), (401, 40, 'Till', 1, ' ', 0, 0, 1);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore, waitafter) VALUES
  (201, 1, 0, '{TAB 5000}~', NULL, 0, 0), (202, 1, 0, 'n~', NULL, 0, 0),
  (203, 1, 0, 's1', NULL, 0, 0), (203, 2, 10, '204', NULL, 0, 0), (203, 3, 0, 'after', NULL, 0, 0),
  (204, 1, 0, 's2', NULL, 0, 0), (204, 2, 10, '203', NULL, 0, 0),
  (205, 1, 0, 'a', NULL, 0, 0), (205, 2, 0, 'b', NULL, 5000, 0),
  (301, 1, 0, '{BREAK}x', NULL, 0, 0), (301, 2, 0, 'y', NULL, 0, 0),
  (401, 1, 0, 'a', NULL, 0, 0), (401, 2, 0, 'b', NULL, 2000, 0);
)";
    for (int s = 1; s <= kSequences; ++s) {
        const std::string id = std::to_string(100 + s);
        sql += "INSERT INTO keysequence VALUES (" + id + ", 10, 'K" + id + "', 1, ' ', 0, 0, " +
               std::to_string(s) + ");\n";
        for (int k = 0; k < 3; ++k) {
            std::string text = kTexts[(s + k) % kTextCount].first;
            sql +=
                "INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, waitbefore, "
                "waitafter) VALUES (" +
                id + ", " + std::to_string(k + 1) + ", 0, '" + text + "', 0, 0);\n";
        }
    }
    sql +=
        "INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose) "
        "VALUES (105, 4, 1, 'special1', 'String Date');\n";
    return sql;
}

QByteArray nightBytes() {
    QByteArray out;
    for (int s = 1; s <= kSequences; ++s) {
        for (int k = 0; k < 3; ++k) out += kTexts[(s + k) % kTextCount].second;
        if (s == 5) out += "07/07/2005";
    }
    return out;
}

}  // namespace

class TestRunsE2E : public QObject {
    Q_OBJECT
public:
    explicit TestRunsE2E(XSession& session) : m_session(session) {}

private:
    XSession& m_session;
    TempStore m_store{rows()};
    QString m_frontDesk, m_thief;
    std::unique_ptr<dlgMain> m_window;

    // Selects a node and presses Go, as the clerk does.
    void go(const QString& key) {
        m_window->selectNode(m_window->nodeIndexForKey(key));
        m_window->cmdSend()->click();
    }

    // Runs `action` in the background once `file` has received `bytes` more bytes.
    void whenTyped(qint64 bytes, const QString& action, QString file = {}) {
        if (file.isEmpty()) file = m_frontDesk;
        m_session.spawn("sh", {"-c", QString("while [ $(stat -c %s '%1') -lt %2 ]; do sleep 0.002; "
                                             "done; %3")
                                         .arg(file)
                                         .arg(XSession::size(file) + bytes)
                                         .arg(action)});
    }

    // Whether another client may grab Pause, as it can only when the program let it go.
    static bool pauseIsFree() {
        static bool refused;
        refused = false;
        Display* probe = XOpenDisplay(nullptr);
        auto previous = XSetErrorHandler([](Display*, XErrorEvent*) {
            refused = true;
            return 0;
        });
        XGrabKey(probe, XKeysymToKeycode(probe, XK_Pause), 0, DefaultRootWindow(probe), False,
                 GrabModeAsync, GrabModeAsync);
        XSync(probe, False);
        XSetErrorHandler(previous);
        XCloseDisplay(probe);
        return !refused;
    }

private slots:
    void initTestCase() {
        m_thief = m_session.startRecorder("Thief");
        m_frontDesk = m_session.startRecorder("Front Desk");
        QVERIFY2(!m_thief.isEmpty() && !m_frontDesk.isEmpty(), qPrintable(m_session.error()));
        m_window = showMainWindow(m_store, m_session);
        QVERIFY(m_window);
        Collaborators collaborators;
        auto desktop = std::make_unique<X11Desktop>();
        collaborators.stopKey = std::make_unique<X11StopKey>();
        desktop->setStopKey(collaborators.stopKey.get());
        collaborators.desktop = std::move(desktop);
        m_window->setCollaborators(std::move(collaborators));
        m_window->special(1)->setText("070705");
    }
    void init() { m_window->setCaption(kCaption); }
    void cleanupTestCase() { m_window.reset(); }

    // Ten key sequences back to back, twenty times: every byte in order in its window,
    // none anywhere else, and the main window where it was.
    void everyKeyOfEveryRunArrives() {
        const QByteArray once = nightBytes();
        const QRect where = m_window->frameGeometry();
        const qint64 thief = XSession::size(m_thief);
        for (int run = 0; run < 20; ++run) {
            const qint64 front = XSession::size(m_frontDesk);
            go("TS1");
            QCOMPARE(m_window->caption(), kCaption);
            QCOMPARE(XSession::readFrom(m_frontDesk, front, once.size()), once);
        }
        QCOMPARE(XSession::readFrom(m_thief, thief, 0), QByteArray());
        QCOMPARE(m_window->frameGeometry(), where);
    }

    // Another program takes the focus mid-text: it receives nothing, the caption names
    // it, and the run's next key sequence types into its own window again.
    void focusThiefGetsNothing() {
        const qint64 thief = XSession::size(m_thief);
        const qint64 front = XSession::size(m_frontDesk);
        whenTyped(200, "xdotool search --name '^Thief$' windowactivate");
        go("T20");
        QVERIFY2(m_window->caption().startsWith("The input focus moved to \"Thief\""),
                 qPrintable(m_window->caption()));
        QCOMPARE(XSession::readFrom(m_thief, thief, 0), QByteArray());
        const QByteArray got = XSession::readFrom(m_frontDesk, front, 0);
        QVERIFY(got.size() < 5000);
        QVERIFY2(got.endsWith("\tn\r"), got.right(10).toHex().constData());
    }

    // Pause inside a long repeat: typing ends within a few keystrokes, nothing of the
    // run follows, and outside the run Pause belongs to the desktop again.
    void pauseStopsALongText() {
        const qint64 front = XSession::size(m_frontDesk);
        const QString atPause = m_store.dir() + "/at-pause";
        whenTyped(200, "xdotool key Pause; stat -c %s '" + m_frontDesk + "' > '" + atPause + "'");
        go("T20");
        QTRY_VERIFY(QFile(atPause).size() > 0);
        const qint64 pressedAt =
            QByteArray::fromStdString(readFile(atPause)).trimmed().toLongLong();
        const QByteArray got = XSession::readFrom(m_frontDesk, front, 0);
        // The terminal may still be writing out keys sent before the press.
        qInfo("%lld keys arrived after Pause was pressed", front + got.size() - pressedAt);
        QVERIFY(front + got.size() - pressedAt <= 50);
        QVERIFY(!got.contains('\r') && !got.contains('n'));
        QVERIFY(m_window->state().bolStop);
        QVERIFY2(pauseIsFree(), "Pause is still held by the program after the run");
    }

    // Pause during a countdown ends the wait at once; the key after it is not typed.
    void pauseEndsACountdown() {
        const qint64 front = XSession::size(m_frontDesk);
        QTimer::singleShot(1500, [this] { m_session.run("xdotool", {"key", "Pause"}); });
        QElapsedTimer clock;
        clock.start();
        go("KS205");
        QVERIFY2(clock.elapsed() < 4000, "the 5 s wait was not cut short");
        QCOMPARE(XSession::readFrom(m_frontDesk, front, 1), QByteArray("a"));
    }

    // A key sequence that plays itself through another is refused before it is played
    // again; nothing after the loop is typed.
    void selfPlayingKeySequenceIsRefused() {
        const qint64 front = XSession::size(m_frontDesk);
        go("KS203");
        QCOMPARE(m_window->caption(),
                 QString("The key sequence 203 plays itself (203 -> 204 -> 203); it was not "
                         "played again"));
        QCOMPARE(XSession::readFrom(m_frontDesk, front, 4), QByteArray("s1s2"));
    }

    // A stored {BREAK} reaches its window as Break and does not stop the run.
    void typedBreakDoesNotStop() {
        QProcess* xev = m_session.spawn(
            "stdbuf", {"-oL", "xev", "-name", "Break Target", "-event", "keyboard"}, true);
        QTRY_VERIFY(!m_session.run("xwininfo", {"-name", "Break Target"}).isEmpty());
        go("T30");
        QCOMPARE(m_window->caption(), kCaption);
        QByteArray seen;
        QVERIFY(QTest::qWaitFor(
            [&] { return (seen += xev->readAllStandardOutput()).contains("(keysym 0x79, y)"); }));
        QVERIFY(seen.contains("(keysym 0xff6b, Break)"));
        QVERIFY(!m_window->state().bolStop);
    }

    // The till closes between two keys: the key sequence ends with the error, nothing
    // reaches any other window.
    void windowClosedBetweenKeys() {
        const QString till = m_session.startRecorder("Till");
        const qint64 front = XSession::size(m_frontDesk);
        whenTyped(1, "xdotool search --name '^Till$' windowkill", till);
        go("KS401");
        QCOMPARE(m_window->caption(), QString("No window with the title \"Till\" was found"));
        QCOMPARE(XSession::readFrom(till, 0, 1), QByteArray("a"));
        QCOMPARE(XSession::readFrom(m_frontDesk, front, 0), QByteArray());
    }

    // Closing the main window mid-run stops the run; the window closes once it ended.
    void closeDuringARunStops() {
        const qint64 front = XSession::size(m_frontDesk);
        whenTyped(200, "wmctrl -F -c '" + kCaption + "'");
        go("T20");
        const QByteArray got = XSession::readFrom(m_frontDesk, front, 0);
        QVERIFY(got.size() < 1000);
        QVERIFY(!got.contains('\r') && !got.contains('n'));
        QTRY_VERIFY(!m_window->isVisible());
    }
};

int main(int argc, char** argv) {
    return runOnXSession<TestRunsE2E>(argc, argv);
}
#include "TestRunsE2E.moc"
