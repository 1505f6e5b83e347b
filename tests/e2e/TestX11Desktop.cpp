#include <QTest>

#include <cstring>

#include "core/Error.h"
#include "e2e/XSession.h"
#include "platform/SendKeysParser.h"
#include "platform/X11Desktop.h"
#include "platform/X11Keyboard.h"

// Xlib last: its None macro would clash with NamedKey::None in the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace nightaudit;

namespace {

// A second connection of the test's own, to look at and prod the server's keyboard state.
struct Probe {
    Display* display = XOpenDisplay(nullptr);
    ~Probe() {
        if (display) XCloseDisplay(display);
    }
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
    bool capsLockOn() {
        Window root, child;
        int rx, ry, wx, wy;
        unsigned mask = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rx, &ry, &wx, &wy,
                      &mask);
        return mask & LockMask;
    }
};

}  // namespace

class TestX11Desktop : public QObject {
    Q_OBJECT
private:
    XSession m_session;
    QString m_frontDesk;
    QString m_otherDesk;
    std::unique_ptr<X11Desktop> m_desktop;

    // Activates Front Desk, types `keys`, and returns the bytes the terminal received.
    QByteArray typed(const std::string& keys, qint64 expected) {
        const qint64 offset = XSession::size(m_frontDesk);
        try {
            m_desktop->activate("Front Desk");
            m_desktop->sendKeys(keys);
        } catch (const Error& e) {
            return "error: " + QByteArray::fromStdString(e.description());
        }
        return XSession::readFrom(m_frontDesk, offset, expected);
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_session.start(), qPrintable(m_session.error()));
        m_otherDesk = m_session.startRecorder("Other Desk");
        QVERIFY2(!m_otherDesk.isEmpty(), qPrintable(m_session.error()));
        m_frontDesk = m_session.startRecorder("Front Desk");
        QVERIFY2(!m_frontDesk.isEmpty(), qPrintable(m_session.error()));
        m_desktop = std::make_unique<X11Desktop>();
    }
    void cleanupTestCase() { m_desktop.reset(); }

    void typesBytes_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << QByteArray("abc 123") << QByteArray("abc 123");
        QTest::newRow("enter") << QByteArray("a~{ENTER}") << QByteArray("a\r\r");
        QTest::newRow("tab") << QByteArray("{TAB}") << QByteArray("\t");
        QTest::newRow("tab three times") << QByteArray("{TAB 3}x") << QByteArray("\t\t\tx");
        QTest::newRow("shift") << QByteArray("+ab") << QByteArray("Ab");
        QTest::newRow("shift group") << QByteArray("+(ab)c") << QByteArray("ABc");
        QTest::newRow("ctrl") << QByteArray("^a^c") << QByteArray("\x01\x03");
        QTest::newRow("alt") << QByteArray("%x") << QByteArray("\x1bx");
        QTest::newRow("backspace") << QByteArray("{BS}{BACKSPACE}") << QByteArray("\x08\x08");
        QTest::newRow("escape and arrows")
            << QByteArray("{ESC}{UP}{DEL}") << QByteArray("\x1b\x1b[A\x1b[3~");
        QTest::newRow("upper case and symbols") << QByteArray("Hello, World! #$&*_=\"'<>?|")
                                                << QByteArray("Hello, World! #$&*_=\"'<>?|");
        QTest::newRow("escaped specials")
            << QByteArray("{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}") << QByteArray("+^%~()[]{}");
        QTest::newRow("not on the keymap") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\xC3\x9F")
                                           << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\xC3\x9F");
        QTest::newRow("keymap restored after")
            << QByteArray("\xC3\xA9x\xC3\xA9") << QByteArray("\xC3\xA9x\xC3\xA9");
    }
    void typesBytes() {
        QFETCH(QByteArray, keys);
        QFETCH(QByteArray, bytes);
        QCOMPARE(typed(keys.toStdString(), bytes.size()), bytes);
        Probe probe;
        QVERIFY(!probe.anyModifierDown());
    }

    void longTextArrivesInOrder() {
        std::string text;
        for (int i = 0; i < 400; ++i) text += static_cast<char>('a' + i % 26);
        QCOMPARE(typed(text + "{x 100}", 500),
                 QByteArray::fromStdString(text + std::string(100, 'x')));
    }

    void capsLockGivesTheTextsCase() {
        Probe probe;
        probe.key(XK_Caps_Lock, true);
        probe.key(XK_Caps_Lock, false);
        QVERIFY(probe.capsLockOn());
        const QByteArray got = typed("aB+c", 3);
        const bool stillOn = probe.capsLockOn();
        probe.key(XK_Caps_Lock, true);
        probe.key(XK_Caps_Lock, false);
        QCOMPARE(got, QByteArray("aBC"));
        QVERIFY2(stillOn, "Caps Lock was not switched back on");
    }

    void missingWindowTypesNothing() {
        const qint64 offset = XSession::size(m_frontDesk);
        try {
            m_desktop->activate("Night Manager");
            QFAIL("activation succeeded");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::WindowNotFound);
            QVERIFY(QString::fromStdString(e.description()).contains("\"Night Manager\""));
        }
        QCOMPARE(XSession::readFrom(m_frontDesk, offset, 0), QByteArray());
    }

    // A task without a window title must not type into whichever window is listed first.
    void emptyTitleMatchesNoNamedWindow() {
        QVERIFY_THROWS_EXCEPTION(Error, m_desktop->activate(""));
    }

    void prefixOfTitleMatches() {
        QCOMPARE(
            [&] {
                const qint64 offset = XSession::size(m_otherDesk);
                m_desktop->activate("Other");
                m_desktop->sendKeys("o");
                return XSession::readFrom(m_otherDesk, offset, 1);
            }(),
            QByteArray("o"));
    }

    void focusTakenAwayIsRefused() {
        m_desktop->activate("Front Desk");
        X11Desktop intruder;  // another program that grabs the focus meanwhile
        const qint64 front = XSession::size(m_frontDesk);
        const qint64 other = XSession::size(m_otherDesk) + 1;
        intruder.activate("Other Desk");
        intruder.sendKeys("i");  // returns once the focus has moved
        try {
            m_desktop->sendKeys("+a~");
            QFAIL("keys were sent");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::WrongFocus);
        }
        QCOMPARE(XSession::readFrom(m_frontDesk, front, 0), QByteArray());
        QCOMPARE(XSession::readFrom(m_otherDesk, other, 0), QByteArray());
        Probe probe;
        QVERIFY(!probe.anyModifierDown());
    }

    void heldModifierIsNotOverruled() {
        Probe probe;
        m_desktop->activate("Front Desk");
        const qint64 offset = XSession::size(m_frontDesk);
        probe.key(XK_Control_L, true);
        try {
            m_desktop->sendKeys("x");
            probe.key(XK_Control_L, false);
            QFAIL("keys were sent under a held Ctrl");
        } catch (const Error& e) {
            const bool stillHeld = probe.keyDown(XK_Control_L);
            probe.key(XK_Control_L, false);
            QCOMPARE(e.number(), err::KeyboardBusy);
            QVERIFY2(stillHeld, "the clerk's Ctrl was released behind their back");
        }
        QCOMPARE(XSession::readFrom(m_frontDesk, offset, 0), QByteArray());
    }

    void modifiersReleasedWhenTextStopsHalfWay() {
        m_desktop->activate("Front Desk");
        QTest::qWait(200);
        const qint64 offset = XSession::size(m_frontDesk);
        Probe probe;
        X11Keyboard keyboard(probe.display, parseSendKeys("+^(%(ab)cd)e"));
        bool downAtFailure = false;
        QVERIFY_THROWS_EXCEPTION(Error, keyboard.type([&](std::size_t i) {
            if (i == 0) {
                downAtFailure = probe.keyDown(XK_Shift_L) && probe.keyDown(XK_Control_L) &&
                                probe.keyDown(XK_Alt_L);
                throw Error(err::DisplayLost, "stopped half-way");
            }
        }));
        QVERIFY(downAtFailure);
        QVERIFY(!probe.anyModifierDown());
        QCOMPARE(XSession::readFrom(m_frontDesk, offset, 2), QByteArray("\x1b\x01"));
    }

    // A window found once is looked at again at each activation: renamed, it no longer
    // answers to its old title, and closed, it answers to none.
    void renamedOrClosedWindowIsNotActivatedAgain() {
        Probe probe;
        Display* p = probe.display;
        const Window w = XCreateSimpleWindow(p, DefaultRootWindow(p), 0, 0, 200, 100, 0, 0, 0);
        auto setTitle = [&](const char* title) {
            XStoreName(p, w, title);
            XChangeProperty(p, w, XInternAtom(p, "_NET_WM_NAME", False),
                            XInternAtom(p, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title),
                            static_cast<int>(std::strlen(title)));
            XSync(p, False);
        };
        setTitle("Audit Pad");
        XMapWindow(p, w);
        XSync(p, False);
        QTRY_VERIFY_WITH_TIMEOUT(m_session.managedTitles().contains("Audit Pad"), 5000);
        auto activation = [&](const char* title) {
            try {
                m_desktop->activate(title);
                return 0;
            } catch (const Error& e) {
                return e.number();
            }
        };
        QCOMPARE(activation("Audit Pad"), 0);
        QCOMPARE(activation("Audit Pad"), 0);
        setTitle("Night Pad");
        QCOMPARE(activation("Audit Pad"), err::WindowNotFound);
        QCOMPARE(activation("Night Pad"), 0);
        QCOMPARE(activation("Night Pad"), 0);
        XDestroyWindow(p, w);
        XSync(p, False);
        QCOMPARE(activation("Night Pad"), err::WindowNotFound);
        // The other windows are found as before.
        QCOMPARE(typed("ok", 2), QByteArray("ok"));
    }

    void nothingActivatedIsRefused() {
        X11Desktop fresh;
        QVERIFY_THROWS_EXCEPTION(Error, fresh.sendKeys("a"));
    }

    void pointerPressLandsAtItsCoordinates() {
        Probe probe;
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
        const Window w = XCreateWindow(probe.display, DefaultRootWindow(probe.display), 0, 0, 600,
                                       400, 0, CopyFromParent, InputOutput, CopyFromParent,
                                       CWOverrideRedirect | CWEventMask, &attributes);
        XMapRaised(probe.display, w);
        XEvent event;
        XWindowEvent(probe.display, w, StructureNotifyMask, &event);
        while (event.type != MapNotify) XWindowEvent(probe.display, w, StructureNotifyMask, &event);

        m_desktop->setPointer(123, 45);
        m_desktop->leftButton(true);
        m_desktop->setPointer(321, 54);  // a drag: the release lands where the pointer went
        m_desktop->leftButton(false);

        QStringList seen;
        QDeadlineTimer deadline(3000);
        while (seen.size() < 2 && !deadline.hasExpired()) {
            if (!XCheckWindowEvent(probe.display, w, ButtonPressMask | ButtonReleaseMask, &event)) {
                QThread::msleep(10);
                continue;
            }
            seen << QString("%1 %2 %3,%4")
                        .arg(event.type == ButtonPress ? "press" : "release")
                        .arg(event.xbutton.button)
                        .arg(event.xbutton.x_root)
                        .arg(event.xbutton.y_root);
        }
        XDestroyWindow(probe.display, w);
        XSync(probe.display, False);
        QCOMPARE(seen.join("; "), QString("press 1 123,45; release 1 321,54"));
    }
};

QTEST_GUILESS_MAIN(TestX11Desktop)
#include "TestX11Desktop.moc"
