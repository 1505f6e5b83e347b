// The X11 desktop alone on a throwaway X session: the bytes each keystroke text gives in
// a raw xterm, the window it goes to, and the keyboard left as it was found.
#include <QElapsedTimer>
#include <QTest>

#include <cstring>
#include <functional>

#include "core/Error.h"
#include "e2e/XSession.h"
#include "platform/X11Desktop.h"

// Xlib last: its None macro would clash with NamedKey::None in the headers above.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <signal.h>
#include <unistd.h>

using namespace nightaudit;

namespace {

// A second connection of the test's own, to look at and prod the server's keyboard.
struct Probe {
    Display* display = XOpenDisplay(nullptr);
    ~Probe() { XCloseDisplay(display); }
    bool keyDown(KeySym sym) {
        char keys[32] = {};
        XQueryKeymap(display, keys);
        const KeyCode code = XKeysymToKeycode(display, sym);
        return code && (keys[code / 8] & (1 << (code % 8)));
    }
    bool anyModifierDown() {
        return keyDown(XK_Shift_L) || keyDown(XK_Control_L) || keyDown(XK_Alt_L);
    }
    void key(KeySym sym, bool down) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), down, CurrentTime);
        XSync(display, False);
    }
    void tap(KeySym sym) {
        key(sym, true);
        key(sym, false);
    }
    XkbStateRec state() {
        XkbStateRec s{};
        XkbGetState(display, XkbUseCoreKbd, &s);
        return s;
    }
    bool capsLockOn() { return state().locked_mods & LockMask; }
};

// What a run would answer between keystrokes: stop after `stopAfter` questions, and
// while waiting for a held key, do `onWait` first.
struct ScriptedWatch : TypingWatch {
    int asked = 0;
    int stopAfter = -1;
    std::function<void()> onWait;
    std::string notice;
    bool stopRequested() override { return stopAfter >= 0 && ++asked > stopAfter; }
    bool waitUntil(const std::string& text, const std::function<bool()>& ready) override {
        notice = text;
        if (onWait) onWait();
        return ready();
    }
};

// A window of this process, as the program's own main window is to the desktop.
struct OwnWindow {
    Display* display = XOpenDisplay(nullptr);
    Window window;
    explicit OwnWindow(const char* title) {
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, 0, 0);
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                        XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title), std::strlen(title));
        const long pid = getpid();
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
        XMapWindow(display, window);
        XSync(display, False);
    }
    ~OwnWindow() { XCloseDisplay(display); }
};

}  // namespace

class TestTypingE2E : public QObject {
    Q_OBJECT
private:
    XSession m_session;
    QString m_frontDesk, m_thief, m_till;
    std::unique_ptr<X11Desktop> m_desktop;
    ScriptedWatch m_watch;

    // Activates Front Desk, types `keys`, and returns the bytes the terminal received
    // (or the error's description).
    QByteArray typed(const std::string& keys, qint64 expected, const char* title = "Front Desk") {
        const qint64 offset = XSession::size(m_frontDesk);
        try {
            m_desktop->activate(title);
            m_desktop->sendKeys(keys);
        } catch (const Error& e) {
            return QByteArray::number(e.number()) + ": " +
                   QByteArray::fromStdString(e.description());
        }
        return XSession::readFrom(m_frontDesk, offset, expected);
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_session.start(), qPrintable(m_session.error()));
        m_thief = m_session.startRecorder("Thief");
        m_till = m_session.startRecorder("Till");
        m_frontDesk = m_session.startRecorder("Front Desk");
        QVERIFY2(!m_thief.isEmpty() && !m_frontDesk.isEmpty(), qPrintable(m_session.error()));
        m_desktop = std::make_unique<X11Desktop>();
        m_desktop->setTypingWatch(&m_watch);
    }
    void init() { m_watch = ScriptedWatch(); }
    void cleanup() {
        Probe probe;
        QVERIFY2(!probe.anyModifierDown(), "a modifier was left down");
    }
    void cleanupTestCase() { m_desktop.reset(); }

    void typesBytes_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain, enter, tab")
            << QByteArray("abc 123~{ENTER}{TAB 3}x") << QByteArray("abc 123\r\r\t\t\tx");
        QTest::newRow("shift, ctrl, alt")
            << QByteArray("+ab+(ab)c^a^c%x") << QByteArray("AbABc\x01\x03\x1bx");
        QTest::newRow("editing keys") << QByteArray("{BS}{BACKSPACE}{ESC}{UP}{DEL}")
                                      << QByteArray("\x08\x08\x1b\x1b[A\x1b[3~");
        QTest::newRow("symbols") << QByteArray("Hello, World! #$&*_=\"'<>?|")
                                 << QByteArray("Hello, World! #$&*_=\"'<>?|");
        QTest::newRow("escaped specials")
            << QByteArray("{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}") << QByteArray("+^%~()[]{}");
        QTest::newRow("not on the keymap") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\xC3\x9F")
                                           << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\xC3\x9F");
        QTest::newRow("long text in order")
            << QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(20) + "{x 100}"
            << QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(20) + QByteArray(100, 'x');
    }
    void typesBytes() {
        QFETCH(QByteArray, keys);
        QFETCH(QByteArray, bytes);
        QCOMPARE(typed(keys.toStdString(), bytes.size()), bytes);
    }

    // Caps Lock on from the clerk: every text arrives in its own case, its last key
    // included, and the lock is on again afterwards.
    void capsLockKeepsEveryKey() {
        Probe probe;
        for (int i = 0; i < 18; ++i) {
            if (!probe.capsLockOn()) probe.tap(XK_Caps_Lock);
            QCOMPARE(typed("aB+c~", 4), QByteArray("aBC\r"));
            QVERIFY2(probe.capsLockOn(), "Caps Lock was not switched back on");
        }
        probe.tap(XK_Caps_Lock);
    }

    // A second layout group active: the keys are found in that group, not the first.
    void secondLayoutGroup() {
        m_session.run("setxkbmap", {"-layout", "us,de"});
        Probe probe;
        XkbLockGroup(probe.display, XkbUseCoreKbd, 1);
        XSync(probe.display, False);
        const QByteArray got = typed("yz+y", 3);
        const int group = probe.state().group;
        m_session.run("setxkbmap", {"-layout", "us"});
        QCOMPARE(group, 1);
        QCOMPARE(got, QByteArray("yzY"));
    }

    // A character bound to a spare keycode still reads right when the program gets to
    // the key long after it was sent.
    void characterOffTheKeymapIntoASlowReader() {
        const qint64 pid = m_session.recorderPid("Front Desk");
        const qint64 offset = XSession::size(m_frontDesk);
        m_desktop->activate("Front Desk");
        ::kill(static_cast<pid_t>(pid), SIGSTOP);
        m_desktop->sendKeys("\xE2\x82\xAC\xC3\x9F");
        m_desktop->sendKeys("\xC3\xA6");
        QTest::qWait(1500);
        ::kill(static_cast<pid_t>(pid), SIGCONT);
        QCOMPARE(XSession::readFrom(m_frontDesk, offset, 6),
                 QByteArray("\xE2\x82\xAC\xC3\x9F\xC3\xA6"));
    }

    // The clerk holds Shift: typing waits with a notice until it is let go, then types
    // the text as written.
    void heldModifierIsWaitedFor() {
        Probe probe;
        probe.key(XK_Shift_L, true);
        m_watch.onWait = [&] { probe.key(XK_Shift_L, false); };
        QCOMPARE(typed("ab", 2), QByteArray("ab"));
        QVERIFY2(m_watch.notice.find("Shift_L") != std::string::npos, m_watch.notice.c_str());
    }

    // A stop between two keystrokes: no further key, modifiers let go.
    void stopBetweenKeystrokes() {
        const qint64 offset = XSession::size(m_frontDesk);
        m_desktop->activate("Front Desk");
        m_watch.stopAfter = 3;
        QVERIFY_THROWS_EXCEPTION(Error, m_desktop->sendKeys("+(abcdefgh)~"));
        QCOMPARE(XSession::readFrom(m_frontDesk, offset, 4), QByteArray("ABCD"));
    }

    // Another window takes the focus half-way through a text: it gets no key, the error
    // names it, and the next text goes to its own window again.
    void focusThiefGetsNothing() {
        const qint64 thief = XSession::size(m_thief);
        const qint64 front = XSession::size(m_frontDesk);
        m_session.spawn("sh", {"-c", QString("while [ $(stat -c %s '%1') -lt %2 ]; do sleep 0.002; "
                                             "done; xdotool search --name '^Thief$' windowactivate")
                                         .arg(m_frontDesk)
                                         .arg(front + 200)});
        QElapsedTimer t;
        t.start();
        const QByteArray got = typed("{a 10000}{a 10000}{a 10000}{a 10000}~", 0);
        qInfo("took %lld ms, %lld bytes, got %d", t.elapsed(), XSession::size(m_frontDesk) - front,
              int(got.size()));
        QVERIFY2(got.startsWith("1002: The input focus moved to \"Thief\""), got.constData());
        QVERIFY(XSession::size(m_frontDesk) - front < 40000);
        QCOMPARE(XSession::readFrom(m_thief, thief, 0), QByteArray());
        QCOMPARE(typed("ok", 2), QByteArray("ok"));
    }

    // The worst moment: activated, then gone before the keys; the focus falls to another
    // window, which must not get them.
    void windowClosedAfterActivation() {
        const qint64 thief = XSession::size(m_thief);
        const qint64 front = XSession::size(m_frontDesk);
        m_desktop->activate("Till");
        QVERIFY(m_session.closeWindow("Till"));
        QVERIFY_THROWS_EXCEPTION(Error, m_desktop->sendKeys("abc"));
        QCOMPARE(XSession::readFrom(m_thief, thief, 0) + XSession::readFrom(m_frontDesk, front, 0),
                 QByteArray());
    }

    void activation_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("missing")
            << "Night Manager"
            << QByteArray("1001: No window with the title \"Night Manager\" was found");
        QTest::newRow("empty title")
            << "" << QByteArray("1001: No window with the title \"\" was found");
        QTest::newRow("own window, prefix")
            << "Quillmar" << QByteArray("1001: No window with the title \"Quillmar\" was found");
        QTest::newRow("own window, whole title")
            << "Quillmar Night Audit"
            << QByteArray(
                   "1002: The window \"Quillmar Night Audit\" is one of this program's own; "
                   "nothing was typed");
        QTest::newRow("prefix") << "Front" << QByteArray("x");
    }
    void activation() {
        QFETCH(QString, title);
        QFETCH(QByteArray, error);
        OwnWindow own("Quillmar Night Audit");
        QTRY_VERIFY(m_session.managedTitles().contains("Quillmar Night Audit"));
        const qint64 thief = XSession::size(m_thief);
        QCOMPARE(typed("x", 1, title.toUtf8().constData()), error);
        QCOMPARE(XSession::readFrom(m_thief, thief, 0), QByteArray());
    }

    void pointerPressLandsAtItsCoordinates() {
        Display* display = XOpenDisplay(nullptr);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = ButtonPressMask;
        const Window w = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 640, 480, 0,
                                       CopyFromParent, InputOutput, CopyFromParent,
                                       CWOverrideRedirect | CWEventMask, &attributes);
        XSelectInput(display, w, ButtonPressMask | StructureNotifyMask);
        XMapRaised(display, w);
        XEvent event;
        do {
            XWindowEvent(display, w, StructureNotifyMask, &event);
        } while (event.type != MapNotify);
        m_desktop->setPointer(123, 45);
        m_desktop->leftButton(true);
        m_desktop->leftButton(false);
        QVERIFY(QTest::qWaitFor(
            [&] { return XCheckWindowEvent(display, w, ButtonPressMask, &event); }));
        QCOMPARE(QPoint(event.xbutton.x_root, event.xbutton.y_root), QPoint(123, 45));
        XCloseDisplay(display);
    }
};

QTEST_GUILESS_MAIN(TestTypingE2E)
#include "TestTypingE2E.moc"
