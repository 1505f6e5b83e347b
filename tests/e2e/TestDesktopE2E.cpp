// The real program on a throwaway X session: the X11 desktop alone, whole runs through Go with
// the stop key and countdowns, slow targets, the demo front desk, and a lost display.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "playback/KeystrokeTyper.h"
#include "support/ErrorOf.h"

#include "MainWindowOnX.h"  // Xlib with it, last

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// Keystroke texts and the bytes a raw xterm receives for them.
// clang-format off
const std::pair<const char*, const char*> kTexts[] = {
    {"+abc{TAB}x~", "Abc\tx\r"}, {"+(ab)c ^a%x~", "ABc \x01\x1bx\r"}, {"{{}q{}}", "{q}"},
    {"{TAB 2}z", "\t\tz"}, {"caf\xC3\xA9 \xE2\x82\xAC\xC3\x9F~", "caf\xC3\xA9 \xE2\x82\xAC\xC3\x9F\r"},
    {"{ESC}{DEL}{UP}", "\x1b\x1b[3~\x1b[A"}, {"12.50{BS}", "12.50\x08"}, {"^(ac)", "\x01\x03"},
    {"Hi, all! #$&*_=\"<>?|", "Hi, all! #$&*_=\"<>?|"}, {"{+}{^}{%}{~}{(}{)}{[}{]}", "+^%~()[]"}};
// clang-format on
// Task sequence 1: ten key sequences of three texts (105 also types special1 as a date); task
// 20 a long text, then one more; 205 waits 5 s before its 2nd key; 302 types into an xev window.
std::string rows() {
    std::string sql = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1), (2, 'Faults', NULL, 1, 2);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (20, 2, 'Long', 'Front Desk', 1, 1),
  (21, 2, 'Desk', 'Front Desk', 1, 2), (30, 2, 'Watched', 'Key Watch', 1, 3),
  (60, 2, 'Guest', 'Guest Desk', 1, 6), (70, 2, 'Launch', 'Front Desk', 1, 7);
INSERT INTO keysequence VALUES (201, 20, 'Long', 1, ' ', 0, 0, 1), (202, 20, 'Next', 1, ' ', 0, 0, 2),
  (205, 21, 'Wait', 1, ' ', 0, 0, 3), (302, 30, 'Lossy', 1, ' ', 0, 0, 2), (601, 60, 'Guest', 1, ' ', 0, 0, 1), (701, 70, 'Launch', 1, ' ', 0, 0, 1);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore, waitafter) VALUES
  (201, 1, 0, '{y 5000}~', NULL, 0, 0), (202, 1, 0, 'n~', NULL, 0, 0), (205, 1, 0, 'a', NULL, 0, 0),
  (205, 2, 0, 'b', NULL, 5000, 0), (302, 1, 0, 'slowtyping', NULL, 0, 0), (302, 2, 0, '{BREAK}x', NULL, 0, 0),
  (105, 4, 1, 'special1', 'String Date', 0, 0), (601, 2, 6, '', NULL, 200, 150), (601, 3, 7, '', NULL, 200, 150),
  (601, 1, 0, '+ab^c%x~{TAB}+{TAB}{F4}+{F4}{BS}{ESC}{UP}{PGDN}{+}{~}{{}café', NULL, 0, 0),
  (701, 1, 2, 'xterm -T Launched -e sleep 30', NULL, 0, 0);
)";
    for (int s = 1; s <= 10; ++s) {
        const std::string id = std::to_string(100 + s);
        sql += "INSERT INTO keysequence VALUES (" + id + ", 10, 'K', 1, ' ', 0, 0, " + id + ");\n";
        for (int k = 0; k < 3; ++k)
            sql += "INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext) VALUES (" + id +
                   ", " + std::to_string(k + 1) + ", 0, '" +
                   kTexts[(s + k) % std::size(kTexts)].first + "');\n";
    }
    return sql;
}

// For the program itself: twenty key sequences typing abcdefghij into Front Desk, 20 ms apart.
const char* const kSlowRows = R"(INSERT OR REPLACE INTO _config VALUES ('KEYDELAY', 20);
INSERT INTO tasksequence VALUES (1, 'Slow', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20)
INSERT INTO keysequence SELECT i, 10, 'K', 1, ' ', 0, 0, i FROM n;
INSERT INTO keys SELECT keysequenceid, keysequenceid, 1, 0, 'abcdefghij', NULL, 0, 0 FROM keysequence;)";

// What a run would answer: never a stop; while it waits, `onWait` is what the clerk does.
struct ScriptedWatch : TypingWatch {
    std::string notice;
    std::function<void()> onWait;
    bool stopRequested() override { return false; }
    bool waitUntil(const std::string& text, const std::function<bool()>& ready) override {
        notice = text;
        if (onWait) onWait();
        return waitFor(ready);
    }
};

}  // namespace

class TestDesktopE2E : public QObject {
    Q_OBJECT
public:
    explicit TestDesktopE2E(XSession& session) : m_session(session) {}

private:
    XSession& m_session;
    TempStore m_store{rows()};
    QString m_frontDesk, m_thief;
    QProcess* m_xev = nullptr;
    size_t m_ownProcesses = 0;                // the session's processes that outlive every test
    std::unique_ptr<MainWindow> m_window;     // each test's own
    std::unique_ptr<Desktop> m_desktop;       // the desktop alone, asked by m_watch
    std::unique_ptr<KeystrokeTyper> m_typer;  // typing through it
    ScriptedWatch m_watch;

    QByteArray frontDeskSince(qint64 offset) {
        return m_session.received("Front Desk", m_frontDesk, offset);
    }
    QByteArray thiefSince(qint64 offset) { return m_session.received("Thief", m_thief, offset); }
    // The desktop alone: the bytes Front Desk received, then "|" and the error's number if any.
    QByteArray typed(const std::string& keys, const QString& title = "Front Desk",
                     const std::function<void()>& beforeKeys = {}) {
        const qint64 offset = sizeOf(m_frontDesk);
        const Thrown e = errorOf([&] {
            m_typer->activate(title.toStdString());
            if (beforeKeys) beforeKeys();
            m_typer->type(keys);
        });
        return frontDeskSince(offset) + (e.number ? "|" + QByteArray::number(e.number) : "");
    }
    void go(const QString& key) { pressGo(*m_window, key); }
    // Runs `action` in the background once `file` has received `bytes` more bytes.
    void whenTyped(qint64 bytes, const QString& action, const QString& file) {
        const QString wait = "while [ $(stat -c %s '%1') -lt %2 ]; do sleep 0.002; done; %3";
        m_session.spawn("sh", {"-c", wait.arg(file).arg(sizeOf(file) + bytes).arg(action)});
    }

private slots:
    void initTestCase() {
        m_thief = m_session.startRecorder("Thief");
        m_frontDesk = m_session.startRecorder("Front Desk");
        QVERIFY(!m_thief.isEmpty() && !m_frontDesk.isEmpty());
        m_xev = m_session.spawn("stdbuf",
                                {"-oL", "xev", "-name", "Key Watch", "-event", "keyboard"}, true);
        QTRY_VERIFY(m_session.lists("Key Watch"));
        m_ownProcesses = m_session.spawned();
        QVERIFY(QDir::setCurrent(m_store.dir()));
        m_desktop = makeDesktop().desktop;
        m_desktop->setTypingWatch(&m_watch);
        m_typer = std::make_unique<KeystrokeTyper>(*m_desktop);
    }
    // Each test starts on the US layout without Caps Lock, on a main window of its own.
    void init() {
        m_session.run("setxkbmap", {"-layout", "us"});
        XkbLockModifiers(m_session.x(), XkbUseCoreKbd, LockMask, 0);
        XkbLockGroup(m_session.x(), XkbUseCoreKbd, 0);
        m_watch = ScriptedWatch();
        m_store.exec("INSERT OR REPLACE INTO _config VALUES ('KEYDELAY', 0), ('WINDOWWAIT', 0)");
        m_window = openMainWindow(m_session, m_store);
        QVERIFY(m_window);
        m_window->controls().special(1)->setText("070705");
    }
    void cleanup() {
        // Nothing a test started acts on in a later one.
        m_session.endFrom(m_ownProcesses);
        for (const char* title : {"Till", "Launched"}) m_session.closeWindow(title);
        m_window.reset();
        QTRY_VERIFY(!m_session.lists(kCaption));
        QCOMPARE(m_session.keysDown(), QString());
    }

    // Caps Lock on: every text in its own case, its Enter included, and the lock on again after.
    void capsLockKeepsEveryKey() {
        for (int i = 0; i < 18; ++i) {
            XkbLockModifiers(m_session.x(), XkbUseCoreKbd, LockMask, LockMask);
            QCOMPARE(typed("aB+c~"), QByteArray("aBC\r"));
            QVERIFY2(m_session.keyboard().locked_mods & LockMask,
                     "Caps Lock was not switched back on");
        }
    }

    // Characters off the keymap, on spare keycodes: read right when the program reads the keys
    // 1.5 s late; more of them than there are spare keycodes (a Russian pangram on a US layout)
    // typed in parts, each keycode bound anew only after its last key was read.
    void charactersOffTheKeymap() {
        const QByteArray pangram =
            "съешь же ещё этих мягких французских булок, да выпей чаю. "
            "ЭХ ЖЁСТКИЙ ЧЕРНЫЙ ЦВЕТ";
        const auto pid = static_cast<pid_t>(
            m_session.run("xdotool", {"search", "--name", "^Front Desk$", "getwindowpid"}).toInt());
        qint64 offset = sizeOf(m_frontDesk);
        m_typer->activate("Front Desk");
        ::kill(pid, SIGSTOP);
        m_typer->type("€ß"), m_typer->type("æ");
        QTest::qWait(1500), ::kill(pid, SIGCONT);
        QCOMPARE(frontDeskSince(offset), QByteArray("€ßæ"));
        offset = sizeOf(m_frontDesk);
        m_typer->type(pangram.toStdString());
        QCOMPARE(frontDeskSince(offset), pangram);
    }

    // The desktop alone, the keyboard as `state` says: Shift held by the clerk (a notice until
    // it is let go), a second layout group, the focus taken or the window closed between the
    // activation and the keys; a missing window, and this program's own by prefix or title.
    void desktopAlone_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("result");  // bytes typed, "|" and the error's number
        QTest::addColumn<QString>("state");
        // clang-format off
        QTest::newRow("Shift held") << "Front Desk" << QByteArray("yzYZ\r") << "Shift held";
        QTest::newRow("second layout group") << "Front Desk" << QByteArray("yzYZ\r") << "us,de";
        QTest::newRow("missing") << "Night Manager" << QByteArray("|1001") << "";
        QTest::newRow("own window, prefix") << "Quillmar" << QByteArray("|1001") << "";
        QTest::newRow("own window, whole title") << kCaption << QByteArray("|1002") << "";
        QTest::newRow("another's, prefix") << "Front" << QByteArray("yzYZ\r") << "";
        QTest::newRow("focus taken after the activation") << "Front Desk" << QByteArray("yzYZ\r") << "taken";
        QTest::newRow("closed after the activation") << "Till" << QByteArray("|1001") << "closed";
        // clang-format on
    }
    void desktopAlone() {
        QFETCH(QString, title);
        QFETCH(QByteArray, result);
        QFETCH(QString, state);
        m_session.activate("Front Desk");
        if (state == "Shift held") {
            m_session.key(XK_Shift_L, true);
            m_watch.onWait = [&] { m_session.key(XK_Shift_L, false); };  // once told
        }
        if (state == "us,de") {
            m_session.run("setxkbmap", {"-layout", state});
            XkbLockGroup(m_session.x(), XkbUseCoreKbd, 1);
            QCOMPARE(m_session.keyboard().group, 1);
        }
        if (state == "closed") QVERIFY(!m_session.startRecorder(title).isEmpty());
        const qint64 thief = sizeOf(m_thief);
        // Activated twice, as the player does: the second time from what the desktop knows.
        if (state == "taken") m_typer->activate("Front Desk");
        QCOMPARE(typed("yz+(yz)~", title,
                       [&] {
                           if (state == "taken") m_session.activate("Thief");
                           if (state == "closed") {
                               m_session.closeWindow(title);
                               QVERIFY(waitFor([&] { return !m_session.lists(title); }));
                           }
                       }),
                 result);
        QCOMPARE(thiefSince(thief), QByteArray());
        QCOMPARE(m_watch.notice.find("Shift_L") != std::string::npos, state == "Shift held");
    }

    // Ten key sequences, twenty times: every byte in order, none elsewhere, the window unmoved.
    void everyKeyOfEveryRunArrives() {
        QByteArray once;
        for (int s = 1; s <= 10; ++s) {
            for (int k = 0; k < 3; ++k) once += kTexts[(s + k) % std::size(kTexts)].second;
            if (s == 5) once += "07/07/2005";
        }
        const QRect where = m_window->frameGeometry();
        const qint64 thief = sizeOf(m_thief);
        for (int run = 0; run < 20; ++run) {
            const qint64 front = sizeOf(m_frontDesk);
            go("TS1");
            QCOMPARE(m_window->caption(), kCaption);
            QCOMPARE(frontDeskSince(front), once);
        }
        QCOMPARE(thiefSince(thief), QByteArray());
        QCOMPARE(m_window->frameGeometry(), where);
    }

    // Mid-text, a thief takes the focus or the layout changes (y is z on a German keyboard):
    // the text ends, nothing of it goes elsewhere or comes out changed, and the next key
    // sequence types into its own window.
    void changeMidTextEndsTheText() {
        for (const auto& [change, caption] :
             {std::pair<QString, QString>{"xdotool search --name '^Thief$' windowactivate",
                                          "The input focus moved to \"Thief\""},
              {"setxkbmap -layout de", "The keyboard layout changed"}}) {
            const qint64 thief = sizeOf(m_thief), front = sizeOf(m_frontDesk);
            whenTyped(200, change, m_frontDesk);
            go("T20");
            QVERIFY2(m_window->caption().startsWith(caption), qPrintable(m_window->caption()));
            QCOMPARE(thiefSince(thief), QByteArray());
            const QByteArray got = frontDeskSince(front);
            QVERIFY2(got.size() >= 200 && got.size() < 5000, QByteArray::number(got.size()));
            QCOMPARE(got, QByteArray(got.size() - 2, 'y') + "n\r");
        }
    }

    // Pause mid-text or in a countdown, or the main window closed mid-text: the run ends,
    // nothing of it follows, and Pause is free again. (The journal's words: test_main_window.)
    void runStops_data() {
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("typed");  // bytes that arrived before the stop; -1: in the countdown
        QTest::addColumn<bool>("pause");  // else the main window is closed, its keys 5 ms apart:
        // the 5 000 keys would take 25 s, far longer than any close takes to reach the program
        QTest::newRow("Pause, {y 5000}~ at full speed") << "T20" << 3 << true;
        QTest::newRow("Pause in a 5 s countdown") << "KS205" << -1 << true;
        QTest::newRow("close, {y 5000}~ 5 ms apart") << "T20" << 200 << false;
    }
    void runStops() {
        QFETCH(QString, node);
        QFETCH(int, typed);
        QFETCH(bool, pause);
        m_store.exec("INSERT OR REPLACE INTO _config VALUES ('KEYDELAY', " +
                     std::to_string(pause ? 0 : 5) + ")");
        const qint64 front = sizeOf(m_frontDesk);
        if (typed >= 0)
            whenTyped(typed, pause ? "xdotool key Pause" : "wmctrl -F -c '" + kCaption + "'",
                      m_frontDesk);
        QTimer countdown;  // else Pause as soon as the countdown shows
        connect(&countdown, &QTimer::timeout, [&] {
            if (typed < 0 && QApplication::activeModalWidget())
                countdown.stop(), m_session.key(XK_Pause, true), m_session.key(XK_Pause, false);
        });
        countdown.start(10);
        go(node);
        const QByteArray got = frontDeskSince(front);
        QVERIFY(!got.contains('\r') && !got.contains('n') && !got.contains('b'));
        QVERIFY(m_window->state().stopRequested);
        m_session.activate("Key Watch");  // Pause, free again, reaches the focused window
        m_xev->readAllStandardOutput();
        m_session.key(XK_Pause, true), m_session.key(XK_Pause, false);
        QByteArray seen;
        QTRY_VERIFY2((seen += m_xev->readAllStandardOutput()).contains("0xff13, Pause"),
                     "Pause is still held after the run");
        QTRY_COMPARE(m_window->isVisible(), pause);
    }

    // A stored {BREAK} reaches the target as Break (Ctrl+Pause, with Pause the stop key) and
    // does not stop the run.
    void breakReachesTheTarget() {
        m_xev->readAllStandardOutput();
        QByteArray seen;
        go("KS302");
        QVERIFY(QTest::qWaitFor(
            [&] { return (seen += m_xev->readAllStandardOutput()).contains("(keysym 0x78, x)"); }));
        QVERIFY2(seen.contains("(keysym 0xff6b, Break)"), seen.constData());
        QCOMPARE(m_window->caption(), kCaption);  // not stopped
    }

    // The demo front desk shows what was typed and clicked.
    void frontDeskShowsWhatThePlayerTypes() {
        QProcess* desk = m_session.spawn(NIGHTAUDIT_BINARY_DIR "/frontdesk",
                                         {"--echo", "--title", "Guest Desk"}, true);
        QTRY_VERIFY_WITH_TIMEOUT(m_session.lists("Guest Desk"), 10000);
        desk->readAllStandardOutput();
        go("KS601");
        QCOMPARE(m_window->caption(), kCaption);
        const QString shown = QString::fromUtf8(
            "Ab[Ctrl+C][Alt+X]⏎\n⇥[Shift+Tab][F4][Shift+F4][Backspace][Esc][Up][PgDown]+~{café"
            "[Left down 200,150]\n[Left up 200,150]\n");
        // Then a sentinel key: whatever the run sent shows before it.
        m_session.activate("Guest Desk");
        m_session.key(XK_F12, true), m_session.key(XK_F12, false);
        QString seen;
        QTRY_VERIFY((seen += QString::fromUtf8(desk->readAllStandardOutput())).contains("[F12]"));
        QCOMPARE(seen.left(seen.indexOf("[F12]")), shown);
    }

    // The program on a session of its own, idle or typing, loses its display: it ends with a
    // message and status 1; or it is killed mid-text: every journal line written before the
    // kill is whole. The store stays as it was.
    void programEnds_data() {
        QTest::addColumn<bool>("typing");
        QTest::addColumn<bool>("killed");  // rather than cut off its display
        QTest::newRow("display lost, the main window idle") << false << false;
        QTest::newRow("display lost, a key sequence typing") << true << false;
        QTest::newRow("killed, a key sequence typing") << true << true;
    }
    void programEnds() {
        QFETCH(bool, typing);
        QFETCH(bool, killed);
        XSession other;
        const QString problem = other.start(), recorder = other.startRecorder("Front Desk");
        QVERIFY2(problem.isEmpty() && !recorder.isEmpty(), qPrintable(problem));
        TempStore store(kSlowRows);
        const std::string before = readFile(QString::fromStdString(store.path()));
        QProcess* p = other.startProgram(store.dir());
        QVERIFY(p);
        if (typing) other.pressGo();
        QTRY_VERIFY_WITH_TIMEOUT(!typing || sizeOf(recorder) >= 50, 15000);
        if (killed) {
            ::kill(static_cast<pid_t>(p->processId()), SIGKILL);
            QVERIFY(p->waitForFinished());
            const qint64 typed = other.received("Front Desk", recorder, 0).size();
            const std::string journal = readFile(store.dir() + "/journal.log");
            QVERIFY2(journal.ends_with('\n'), journal.c_str());  // the last line is whole
            // The run's start, and every key sequence typed but the last.
            QVERIFY(std::count(journal.begin(), journal.end(), '\n') >= typed / 10);
        } else {
            other.killServer();
            const bool ended = p->waitForFinished(10000);
            const QString errors = QString::fromLocal8Bit(p->readAllStandardError());
            QVERIFY2(ended, "the program hung when the display went away");
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);  // no crash, no core
            QVERIFY2(p->exitCode() != 0, qPrintable(errors));
            QVERIFY2(errors.contains(
                         QRegularExpression("connection to the X display|X11 connection broke")),
                     qPrintable(errors));
        }
        QCOMPARE(readFile(QString::fromStdString(store.path())), before);
    }

    // A type 2 key's program shows minimized; the run has gone on meanwhile.
    void launchedProgramIsMinimized() {
        go("KS701");
        QCOMPARE(m_window->caption(), kCaption);  // no error
        QTRY_VERIFY_WITH_TIMEOUT(m_session.run("xprop", {"-name", "Launched", "WM_STATE"})
                                     .contains("window state: Iconic"),
                                 12000);
    }
};

int main(int argc, char** argv) {
    return runOnXSession<QApplication, TestDesktopE2E>(argc, argv);
}
#include "TestDesktopE2E.moc"
