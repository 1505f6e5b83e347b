// The real program on a throwaway X session: the X11 desktop alone, whole runs through Go with
// the stop key and countdowns, slow targets, the demo front desk, and a lost display.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include "KeyTokens.h"
#include "app/ListRunLog.h"
#include "app/dlgMain.h"
#include "core/Error.h"
#include "platform/X11Desktop.h"
#include "platform/X11StopKey.h"
#include "playback/KeySequencePlayer.h"
#include "playback/KeystrokeTyper.h"
#include "playback/RunJournal.h"
#include "support/FakeDesktop.h"
#include "support/InstantWaiter.h"
#include "support/TempStore.h"
#include "support/UnavailableReports.h"

// Xlib last: its None macro would clash with names in the headers above.
#include "XSession.h"

#include "XSession.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const QString kCaption = QStringLiteral("Quillmar Night Audit");

// Keystroke texts and the bytes a raw xterm receives for them.
// clang-format off
const std::pair<const char*, const char*> kTexts[] = {
    {"+abc{TAB}x~", "Abc\tx\r"}, {"+(ab)c ^a%x~", "ABc \x01\x1bx\r"}, {"{{}q{}}", "{q}"},
    {"{TAB 2}z", "\t\tz"}, {"caf\xC3\xA9 \xE2\x82\xAC\xC3\x9F~", "caf\xC3\xA9 \xE2\x82\xAC\xC3\x9F\r"},
    {"{ESC}{DEL}{UP}", "\x1b\x1b[3~\x1b[A"}, {"12.50{BS}", "12.50\x08"}, {"^(ac)", "\x01\x03"},
    {"Hi, all! #$&*_=\"<>?|", "Hi, all! #$&*_=\"<>?|"}, {"{+}{^}{%}{~}{(}{)}{[}{]}", "+^%~()[]"}};
// clang-format on
constexpr int kTextCount = sizeof kTexts / sizeof kTexts[0];
// Task sequence 1: ten key sequences of three texts (105 also types special1 as a date). Task
// 20: a long text, then one more key sequence. 205 waits 5 s before its second key; 302 types
// into an xev window; 401's till closes in the 2 s before its second key; 501 starts a program
// whose window comes 1.5 s later (in the current folder) and types into it.
std::string rows() {
    std::string sql = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1), (2, 'Faults', NULL, 1, 2);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (20, 2, 'Long', 'Front Desk', 1, 1),
  (21, 2, 'Desk', 'Front Desk', 1, 2), (30, 2, 'Watched', 'Key Watch', 1, 3),
  (40, 2, 'Till', 'Till', 1, 4), (50, 2, 'Late', 'Late Desk', 1, 5), (60, 2, 'Guest', 'Guest Desk', 1, 6);
INSERT INTO keysequence VALUES (201, 20, 'Long', 1, ' ', 0, 0, 1), (202, 20, 'Next', 1, ' ', 0, 0, 2),
  (205, 21, 'Wait', 1, ' ', 0, 0, 3), (206, 21, 'Delayed', 1, ' ', 0, 0, 4),
  (207, 21, 'Short', 1, ' ', 0, 0, 5), (302, 30, 'Lossy', 1, ' ', 0, 0, 2),
  (401, 40, 'Till', 1, ' ', 0, 0, 1), (501, 50, 'Late', 1, ' ', 0, 0, 1), (601, 60, 'Guest', 1, ' ', 0, 0, 1);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore, waitafter) VALUES
  (201, 1, 0, '{TAB 5000}~', NULL, 0, 0), (202, 1, 0, 'n~', NULL, 0, 0), (205, 1, 0, 'a', NULL, 0, 0),
  (205, 2, 0, 'b', NULL, 5000, 0), (206, 1, 0, '{TAB 100}~', NULL, 0, 0),
  (207, 1, 0, 'abcdefghij', NULL, 0, 0), (302, 1, 0, 'slowtyping', NULL, 0, 0), (302, 2, 0, '{BREAK}x', NULL, 0, 0),
  (401, 1, 0, 'a', NULL, 0, 0), (401, 2, 0, 'b', NULL, 2000, 0), (501, 2, 0, 'x', NULL, 0, 0),
  (501, 1, 2, 'sh -c "sleep 1.5; exec xterm -u8 -T ''Late Desk'' -e sh -c ''stty raw -echo; exec cat >> late.bin''"', NULL, 0, 0),
  (105, 4, 1, 'special1', 'String Date', 0, 0), (601, 2, 6, '', NULL, 200, 150), (601, 3, 7, '', NULL, 200, 150),
  (601, 1, 0, '+ab^c%x~{TAB}+{TAB}{F4}+{F4}{BS}{ESC}{UP}{PGDN}{+}{~}{{}café', NULL, 0, 0);
)";
    for (int s = 1; s <= 10; ++s) {
        const std::string id = std::to_string(100 + s);
        sql += "INSERT INTO keysequence VALUES (" + id + ", 10, 'K', 1, ' ', 0, 0, " + id + ");\n";
        for (int k = 0; k < 3; ++k)
            sql += "INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext) VALUES (" + id +
                   ", " + std::to_string(k + 1) + ", 0, '" + kTexts[(s + k) % kTextCount].first +
                   "');\n";
    }
    return sql;
}

// What a run would answer: stop after `stopAfter` questions; wait as long as a key is held.
struct ScriptedWatch : TypingWatch {
    int asked = 0, stopAfter = -1;
    std::string notice;
    bool stopRequested() override { return stopAfter >= 0 && ++asked > stopAfter; }
    bool waitUntil(const std::string& text, const std::function<bool()>& ready) override {
        notice = text;
        return waitFor(ready);
    }
};

// What a target keeps that loses a key pressed within 15 ms (server time) of the one before.
QString keptByLossyTarget(const QByteArray& xev) {
    static const QRegularExpression press(
        R"(KeyPress event.*?time (\d+),.*?\(keysym 0x\w+, (\w+)\))",
        QRegularExpression::DotMatchesEverythingOption);
    QString kept;
    qint64 last = -1000;
    for (const QRegularExpressionMatch& m : press.globalMatch(QString::fromLatin1(xev)))
        if (m.captured(1).toLongLong() - std::exchange(last, m.captured(1).toLongLong()) >= 15)
            kept += m.captured(2);
    return kept;
}

}  // namespace

class TestDesktopE2E : public QObject {
    Q_OBJECT
public:
    explicit TestDesktopE2E(XSession& session) : m_session(session) {}

private:
    XSession& m_session;
    TempStore m_store{rows()};
    QString m_frontDesk, m_thief, m_late = m_store.dir() + "/late.bin";
    QProcess* m_xev = nullptr;
    std::unique_ptr<dlgMain> m_window;
    std::unique_ptr<X11Desktop> m_desktop;  // the desktop alone, asked by m_watch
    std::unique_ptr<KeystrokeTyper> m_typer;  // typing through it
    ScriptedWatch m_watch;

    // The desktop alone: the bytes Front Desk received, then "|" and the error's number if any.
    QByteArray typed(const std::string& keys, qint64 expected, const char* title = "Front Desk",
                     const std::function<void()>& beforeKeys = {}) {
        const qint64 offset = sizeOf(m_frontDesk);
        QByteArray error;
        try {
            m_typer->activate(title);
            if (beforeKeys) beforeKeys();
            m_typer->type(keys);
        } catch (const Error& e) {
            error = "|" + QByteArray::number(e.number());
        }
        return readFrom(m_frontDesk, offset, expected) + error;
    }
    // Selects a node and presses Go, as the clerk does.
    void go(const QString& key) {
        m_window->selectNode(m_window->nodeIndexForKey(key));
        m_window->cmdSend()->click();
    }
    // Runs `action` in the background once `file` has received `bytes` more bytes.
    void whenTyped(qint64 bytes, const QString& action, const QString& file) {
        const QString wait = "while [ $(stat -c %s '%1') -lt %2 ]; do sleep 0.002; done; %3";
        m_session.spawn("sh", {"-c", wait.arg(file).arg(sizeOf(file) + bytes).arg(action)});
    }
    void setting(const char* entry, int value) {
        m_store.exec("INSERT OR REPLACE INTO _config VALUES ('" + std::string(entry) + "', " +
                     std::to_string(value) + ")");
    }
    QString journalPath() const { return m_store.dir() + "/journal.log"; }

    // A second main window on a store of one key sequence (KS1, node 3, selected) whose task
    // window is the main window itself; its runs go to `desktop`, waits are instant.
    std::unique_ptr<dlgMain> openWindow(TempStore& store, std::unique_ptr<Desktop> desktop) {
        auto window = std::make_unique<dlgMain>(QString::fromStdString(store.path()));
        window->Form_Load();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
        Collaborators c;
        c.desktop = std::move(desktop);
        c.waiter = std::make_unique<InstantWaiter>(window->state());
        window->setCollaborators(std::move(c));
        window->selectNode(3);
        return window;
    }
    static std::string oneKey(const std::string& key, const std::string& extra = {}) {
        return "INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);"
               "INSERT INTO task VALUES (10, 1, 'Desk', 'Quillmar Night Audit', 1, 1);"
               "INSERT INTO keysequence VALUES (1, 10, 'Keys', 1, NULL, 0, 0, 1);"
               "INSERT INTO keys VALUES (1, 1, 1, " +
               key + ", NULL, 0, 0);" + extra;
    }

private slots:
    void initTestCase() {
        m_thief = m_session.startRecorder("Thief");
        m_frontDesk = m_session.startRecorder("Front Desk");
        QVERIFY(!m_thief.isEmpty() && !m_frontDesk.isEmpty());
        m_xev = m_session.spawn("stdbuf",
                                {"-oL", "xev", "-name", "Key Watch", "-event", "keyboard"}, true);
        QTRY_VERIFY(m_session.lists("Key Watch"));
        QVERIFY(QDir::setCurrent(m_store.dir()));
        m_window = std::make_unique<dlgMain>(QString::fromStdString(m_store.path()));
        m_window->Form_Load();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        // Only a window the window manager has taken on can be activated by its title.
        QTRY_VERIFY_WITH_TIMEOUT(m_session.lists(kCaption), 10000);
        auto desktop = std::make_unique<X11Desktop>();
        auto stopKey = std::make_unique<X11StopKey>();
        desktop->setStopKey(stopKey.get());
        m_window->setCollaborators({std::move(desktop), {}, {}, {}, {}, std::move(stopKey)});
        m_window->special(1)->setText("070705");
        m_desktop = std::make_unique<X11Desktop>();
        m_desktop->setTypingWatch(&m_watch);
        m_typer = std::make_unique<KeystrokeTyper>(*m_desktop);
    }
    void init() {
        m_window->setCaption(kCaption);
        m_watch = ScriptedWatch();
        m_store.exec("INSERT OR REPLACE INTO _config VALUES ('KEYDELAY', 0), ('WINDOWWAIT', 0)");
    }
    void cleanup() {
        for (KeySym key : {XK_Shift_L, XK_Control_L, XK_Alt_L})
            QVERIFY2(!m_session.down(key), "a modifier was left down");
    }

    // Caps Lock on: every text in its own case, its Enter included, and the lock on again after.
    void capsLockKeepsEveryKey() {
        for (int i = 0; i < 18; ++i) {
            XkbLockModifiers(m_session.x(), XkbUseCoreKbd, LockMask, LockMask);
            QCOMPARE(typed("aB+c~", 4), QByteArray("aBC\r"));
            QVERIFY2(m_session.keyboard().locked_mods & LockMask,
                     "Caps Lock was not switched back on");
        }
        XkbLockModifiers(m_session.x(), XkbUseCoreKbd, LockMask, 0);
    }

    // A character on a spare keycode reads right when the program reads the key 1.5 s late.
    void characterOffTheKeymapIntoASlowReader() {
        const auto pid = static_cast<pid_t>(
            m_session.run("xdotool", {"search", "--name", "^Front Desk$", "getwindowpid"}).toInt());
        const qint64 offset = sizeOf(m_frontDesk);
        m_typer->activate("Front Desk");
        ::kill(pid, SIGSTOP);
        m_typer->type("\xE2\x82\xAC\xC3\x9F");
        m_typer->type("\xC3\xA6");
        QTest::qWait(1500);
        ::kill(pid, SIGCONT);
        QCOMPARE(readFrom(m_frontDesk, offset, 6), QByteArray("\xE2\x82\xAC\xC3\x9F\xC3\xA6"));
    }

    // More characters off the layout than there are spare keycodes (a Russian pangram on a US
    // layout): typed in parts, each keycode bound anew only after its last key was read.
    void moreCharactersOffTheLayoutThanSpareKeys() {
        const QByteArray text = QString::fromUtf8(
                                    "съешь же ещё этих мягких французских булок, "
                                    "да выпей чаю. ЭХ ЖЁСТКИЙ ЧЕРНЫЙ ЦВЕТ")
                                    .toUtf8();
        QCOMPARE(typed(text.toStdString(), text.size()), text);
    }

    // Activated, then gone before the keys: the window the focus falls to must not get them.
    void windowClosedAfterActivation() {
        QVERIFY(!m_session.startRecorder("Till").isEmpty());
        const qint64 thief = sizeOf(m_thief), front = sizeOf(m_frontDesk);
        m_typer->activate("Till");
        m_session.run("xdotool", {"search", "--name", "^Till$", "windowkill"});
        QTRY_VERIFY(!m_session.lists("Till"));
        QVERIFY_THROWS_EXCEPTION(Error, m_typer->type("abc"));
        QCOMPARE(readFrom(m_thief, thief, 0) + readFrom(m_frontDesk, front, 0), QByteArray());
    }

    // The desktop alone, the keyboard as `state` says: Shift held by the clerk (a notice until
    // it is let go), a second layout group (keys looked up in it), a stop asked between two
    // keystrokes (no further key, Shift let go), before the first keystroke or before the
    // activation (nothing typed), the focus taken between the activation and
    // the keys (activated again: nothing for the thief); a missing window, and this program's
    // own main window by a prefix or its whole title.
    void desktopAlone_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("result");  // bytes typed, "|" and the error's number
        QTest::addColumn<QString>("state");
        QTest::newRow("Shift held") << "Front Desk" << QByteArray("yzYZ\r") << "Shift held";
        QTest::newRow("second layout group") << "Front Desk" << QByteArray("yzYZ\r") << "us,de";
        // "stop N": N questions answered; the activation asks one, a text one per keystroke.
        QTest::newRow("stop between keystrokes")
            << "Front Desk" << QByteArray("yzY|1012") << "stop 4";
        QTest::newRow("stop before the first keystroke")
            << "Front Desk" << QByteArray("|1012") << "stop 1";
        QTest::newRow("stop before the activation") << "Thief" << QByteArray("|1012") << "stop 0";
        QTest::newRow("missing") << "Night Manager" << QByteArray("|1001") << "";
        QTest::newRow("own window, prefix") << "Quillmar" << QByteArray("|1001") << "";
        QTest::newRow("own window, whole title") << kCaption << QByteArray("|1002") << "";
        QTest::newRow("another's, prefix") << "Front" << QByteArray("yzYZ\r") << "";
        QTest::newRow("focus taken after the activation")
            << "Front Desk" << QByteArray("yzYZ\r") << "taken";
    }
    void desktopAlone() {
        QFETCH(QString, title);
        QFETCH(QByteArray, result);
        QFETCH(QString, state);
        m_watch.stopAfter = state.startsWith("stop ") ? state.mid(5).toInt() : -1;
        if (state == "Shift held")
            m_session.key(XK_Shift_L, true),
                m_session.spawn("sh", {"-c", "sleep 0.5; xdotool keyup Shift_L"});
        m_session.run("setxkbmap", {"-layout", state == "us,de" ? state : "us"});
        XkbLockGroup(m_session.x(), XkbUseCoreKbd, state == "us,de");
        QCOMPARE(m_session.keyboard().group, state == "us,de" ? 1 : 0);
        const qint64 thief = sizeOf(m_thief);
        // Activated twice, as the player does: the second time from what the desktop knows.
        if (state == "taken") m_typer->activate("Front Desk");
        const QByteArray got =
            typed("yz+(yz)~", result.split('|')[0].size(), qPrintable(title), [&] {
                if (state == "taken")
                    m_session.run("xdotool",
                                  {"search", "--name", "^Thief$", "windowactivate", "--sync"});
            });
        m_session.run("setxkbmap", {"-layout", "us"});
        QCOMPARE(got, result);
        QCOMPARE(readFrom(m_thief, thief, 0), QByteArray());
        if (state == "stop 0")  // not even activated
            QCOMPARE(m_session.run("xdotool", {"getactivewindow", "getwindowname"}),
                     "Front Desk\n");
        QCOMPARE(m_watch.notice.find("Shift_L") != std::string::npos, state == "Shift held");
    }

    // Ten key sequences, twenty times: every byte in order, none elsewhere, the window unmoved.
    void everyKeyOfEveryRunArrives() {
        QByteArray once;
        for (int s = 1; s <= 10; ++s) {
            for (int k = 0; k < 3; ++k) once += kTexts[(s + k) % kTextCount].second;
            if (s == 5) once += "07/07/2005";
        }
        const QRect where = m_window->frameGeometry();
        const qint64 thief = sizeOf(m_thief);
        for (int run = 0; run < 20; ++run) {
            const qint64 front = sizeOf(m_frontDesk);
            go("TS1");
            QCOMPARE(m_window->caption(), kCaption);
            QCOMPARE(readFrom(m_frontDesk, front, once.size()), once);
        }
        QCOMPARE(readFrom(m_thief, thief, 0), QByteArray());
        QCOMPARE(m_window->frameGeometry(), where);
    }

    // A focus thief mid-text gets nothing; the next key sequence types into its own window.
    void focusThiefGetsNothing() {
        const qint64 thief = sizeOf(m_thief), front = sizeOf(m_frontDesk);
        whenTyped(200, "xdotool search --name '^Thief$' windowactivate", m_frontDesk);
        go("T20");
        QVERIFY2(m_window->caption().startsWith("The input focus moved to \"Thief\""),
                 qPrintable(m_window->caption()));
        QCOMPARE(readFrom(m_thief, thief, 0), QByteArray());
        const QByteArray got = readFrom(m_frontDesk, front, 0);
        QVERIFY(got.size() < 5000);
        QVERIFY2(got.endsWith("\tn\r"), got.right(10).toHex().constData());
    }

    // Another program switches the layout part-way through a text: the keycodes mapped for
    // the text would type other characters (y is z on a German keyboard), so none follows.
    void layoutChangeEndsTheText() {
        const qint64 front = sizeOf(m_frontDesk);
        whenTyped(200, "setxkbmap -layout de", m_frontDesk);
        const QByteArray error = typed("{y 5000}~", 0).split('|').value(1);
        QTest::qWait(300);  // what the terminal still had to write out
        m_session.run("setxkbmap", {"-layout", "us"});
        QCOMPARE(error, QByteArray::number(err::KeyboardBusy));
        const QByteArray got = readFrom(m_frontDesk, front, 0);
        QVERIFY2(got.size() >= 200 && got.size() < 5000, QByteArray::number(got.size()));
        QCOMPARE(got.count('y'), got.size());
    }

    // Pause mid-text, at full speed, between delayed keys or in a countdown: the run ends at
    // once, nothing of it follows, the journal names the stop, and Pause is free again.
    void pauseStopsTheRun_data() {
        QTest::addColumn<int>("delay");
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("typed");     // bytes that arrived before Pause is pressed
        QTest::addColumn<int>("seconds");   // and seconds after that
        QTest::addColumn<int>("lateKeys");  // keys the terminal may still be writing out
        QTest::newRow("{TAB 5000}~ at full speed") << 0 << "T20" << 3 << 0 << 50;
        QTest::newRow("{TAB 100}~ 100 ms apart") << 100 << "KS206" << 3 << 0 << 1;
        QTest::newRow("1 s into a 5 s countdown") << 0 << "KS205" << 1 << 1 << 0;
    }
    void pauseStopsTheRun() {
        QFETCH(int, delay);
        QFETCH(QString, node);
        QFETCH(int, typed);
        QFETCH(int, seconds);
        QFETCH(int, lateKeys);
        setting("KEYDELAY", delay);
        QFile::remove(journalPath());
        const QString atPause = m_store.dir() + "/at-pause";
        QFile::remove(atPause);
        const qint64 front = sizeOf(m_frontDesk);
        whenTyped(typed,
                  QString("sleep %1; xdotool key Pause; stat -c %s '%2' > '%3'")
                      .arg(seconds)
                      .arg(m_frontDesk, atPause),
                  m_frontDesk);
        QElapsedTimer clock;
        clock.start();
        go(node);
        QVERIFY2(clock.elapsed() < 4000, "the run was not cut short");
        QTRY_VERIFY(QFile(atPause).size() > 0);
        const QByteArray got = readFrom(m_frontDesk, front, 0);
        const qint64 late = front + got.size() - std::stoll(readFile(atPause));
        qInfo("%lld keys arrived after Pause was pressed", late);
        QVERIFY(late <= lateKeys);
        QVERIFY(!got.contains('\r') && !got.contains('n') && !got.contains('b'));
        QVERIFY(m_window->state().bolStop);
        QVERIFY2(m_session.canGrab(XK_Pause), "Pause is still held by the program after the run");
        const QStringList stops =
            QString::fromStdString(readFile(journalPath())).split('\n').filter(" stopped by ");
        QCOMPARE(stops.value(0).mid(20), QString("stopped by the Pause key"));
    }

    // The till closes between two keys: the error, and nothing in any other window.
    void windowClosedBetweenKeys() {
        const QString till = m_session.startRecorder("Till");
        const qint64 front = sizeOf(m_frontDesk);
        whenTyped(1, "xdotool search --name '^Till$' windowkill", till);
        go("KS401");
        QCOMPARE(m_window->caption(), QString("No window with the title \"Till\" was found"));
        QCOMPARE(readFrom(till, 0, 1), QByteArray("a"));
        QCOMPARE(readFrom(m_frontDesk, front, 0), QByteArray());
    }

    // A target that loses keys arriving close together keeps them all only with KEYDELAY; a
    // stored {BREAK} reaches it as Break and does not stop the run.
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
        go("KS302");
        QVERIFY(QTest::qWaitFor(
            [&] { return (seen += m_xev->readAllStandardOutput()).contains("(keysym 0x78, x)"); }));
        QCOMPARE(keptByLossyTarget(seen).startsWith("slowtyping"), delay > 0);
        QVERIFY(seen.contains("(keysym 0xff6b, Break)"));
        QCOMPARE(m_window->caption(), kCaption);
        QVERIFY(!m_window->state().bolStop);
        QCOMPARE(m_window->lblVersion()->text().endsWith(", keys 40 ms apart"), delay > 0);
    }

    void windowThatComesLate_data() {
        QTest::addColumn<int>("wait");
        QTest::newRow("no wait") << 0;
        QTest::newRow("5 s") << 5000;
    }
    void windowThatComesLate() {
        QFETCH(int, wait);
        setting("WINDOWWAIT", wait);
        const qint64 late = sizeOf(m_late);
        // When did the window join the list (looked at every 5 ms, and as the wait ends), and
        // when did the countdown end?
        qint64 appeared = 0, waitEnded = 0;
        const auto look = [&] {
            if (!appeared && m_session.lists("Late Desk"))
                appeared = QDateTime::currentMSecsSinceEpoch();
        };
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            look();
            auto* countdown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (countdown && !std::exchange(waitEnded, -1))
                connect(countdown, &QDialog::finished, &probe, [&] {
                    look();
                    waitEnded = QDateTime::currentMSecsSinceEpoch();
                });
        });
        probe.start(5);
        go("KS501");
        probe.stop();
        if (wait == 0) {
            QCOMPARE(m_window->caption(),
                     QString("No window with the title \"Late Desk\" was found"));
        } else {
            QCOMPARE(readFrom(m_late, late, 1), QByteArray("x"));
            qInfo("the wait ended %lld ms after the window appeared", waitEnded - appeared);
            QVERIFY(appeared > 0 && waitEnded >= appeared && waitEnded - appeared < 200);
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_session.lists("Late Desk"), 10000);
        m_session.run("xdotool", {"search", "--name", "^Late Desk$", "windowkill"});
        QTRY_VERIFY_WITH_TIMEOUT(!m_session.lists("Late Desk"), 10000);
    }

    // The demo front desk shows what was typed and clicked; the guide's preview says the same.
    void frontDeskShowsWhatThePlayerTypes() {
        QProcess* desk = m_session.spawn(NIGHTAUDIT_BINARY_DIR "/frontdesk",
                                         {"--echo", "--title", "Guest Desk"}, true);
        QTRY_VERIFY_WITH_TIMEOUT(m_session.lists("Guest Desk"), 10000);
        desk->readAllStandardOutput();
        go("KS601");
        QCOMPARE(m_window->caption(), kCaption);
        const QString keys = QString::fromUtf8(
            "Ab[Ctrl+C][Alt+X]⏎\n⇥[Shift+Tab][F4][Shift+F4][Backspace][Esc][Up][PgDown]+~{café");
        const QString shown = keys + "[Left down 200,150]\n[Left up 200,150]\n";
        QString seen;
        QTRY_COMPARE(seen += QString::fromUtf8(desk->readAllStandardOutput()), shown);
        QTest::qWait(150);  // anything unexpected that follows shows up too
        QCOMPARE(desk->readAllStandardOutput(), QByteArray());
        const std::string text =
            m_store.dump("SELECT keytext FROM keys WHERE keytype = 0 AND keysequenceid = 601");
        QCOMPARE(frontdesk::tokensOf(text.substr(0, text.size() - 1)), QString(keys).remove('\n'));
    }

    // A run killed mid-text keeps every journal line written before the kill, whole.
    void killedRunKeepsItsJournal() {
        QFile::remove(journalPath());
        const qint64 front = sizeOf(m_frontDesk);
        QProcess* driver =
            m_session.spawn(QCoreApplication::applicationFilePath(),
                            {"--drive", QString::fromStdString(m_store.path()), "207"});
        QTRY_VERIFY_WITH_TIMEOUT(sizeOf(m_frontDesk) - front >= 50, 20000);
        ::kill(static_cast<pid_t>(driver->processId()), SIGKILL);
        QVERIFY(driver->waitForFinished());
        QStringList lines = QString::fromStdString(readFile(journalPath())).split('\n');
        QCOMPARE(lines.takeLast(), QString());  // the last line is whole
        QVERIFY(lines.takeFirst().endsWith(" run started by Go on KS207 \"\""));
        QVERIFY(lines.size() >= (sizeOf(m_frontDesk) - front) / 10 - 1);  // all typed but one
        QCOMPARE(lines.filter(QRegularExpression("^\\S+ \\S+ key sequence 207 played$")), lines);
    }

    // The X server goes away: the program ends with a message and status 1, the store intact.
    void programEndsWhenTheDisplayIsLost_data() {
        QTest::addColumn<bool>("typing");
        QTest::newRow("the main window idle (the program itself)") << false;
        QTest::newRow("a key sequence typing") << true;
    }
    void programEndsWhenTheDisplayIsLost() {
        QFETCH(bool, typing);
        XSession other;
        const QString problem = other.start(), recorder = other.startRecorder("Front Desk");
        QVERIFY2(problem.isEmpty() && !recorder.isEmpty(), qPrintable(problem));
        const std::string before = readFile(QString::fromStdString(m_store.path()));
        qputenv("ASAN_OPTIONS", "detect_leaks=0");  // ending without unwinding is the point
        const QString program = m_store.dir() + "/nightaudit";  // it reads the store beside it
        QVERIFY(typing || QFile::exists(program) ||
                QFile::copy(NIGHTAUDIT_BINARY_DIR "/nightaudit", program));
        QProcess* p =
            typing ? other.spawn(QCoreApplication::applicationFilePath(),
                                 {"--drive", QString::fromStdString(m_store.path()), "207"}, true)
                   : other.spawn(program, {}, true);
        QTRY_VERIFY_WITH_TIMEOUT(typing ? sizeOf(recorder) > 0 : other.lists(kCaption), 15000);
        other.killServer();
        const bool ended = p->waitForFinished(10000);
        const QString errors = QString::fromLocal8Bit(p->readAllStandardError());
        QVERIFY2(ended, "the program hung when the display went away");
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);  // no crash, no core
        QVERIFY2(p->exitCode() != 0, qPrintable(errors));
        QVERIFY2(
            errors.contains(QRegularExpression("connection to the X display|X11 connection broke")),
            qPrintable(errors));
        QCOMPARE(readFile(QString::fromStdString(m_store.path())), before);
    }

    // Real key presses through the X server: Enter presses Go, or the focused button.
    void enterPressesGoOrTheFocusedButton_data() {
        QTest::addColumn<QString>("focus");   // the control with the focus; "" as opened
        QTest::addColumn<QString>("key");     // as xdotool names it
        QTest::addColumn<bool>("ran");        // Go ran the selected key sequence
        QTest::addColumn<bool>("stopwatch");  // a node click started the stopwatch
        QTest::newRow("Enter as the window opens") << ""
                                                   << "Return" << true << false;
        QTest::newRow("Enter in the tree") << "TreeView1"
                                           << "Return" << true << false;
        QTest::newRow("Enter in the stopwatch box") << "dfnTeach"
                                                    << "Return" << true << false;
        QTest::newRow("Enter on Teach Task presses it") << "Command10"
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
        TempStore store(oneKey("0, 'a'"));
        auto fake = std::make_unique<FakeDesktop>();
        const FakeDesktop& desktop = *fake;
        fake->addWindow("Quillmar Night Audit");
        auto window = openWindow(store, std::move(fake));
        QVERIFY(window);
        m_session.run("xdotool", {"windowactivate", "--sync", QString::number(window->winId())});
        QTRY_VERIFY(window->isActiveWindow());
        if (!focus.isEmpty()) window->findChild<QWidget*>(focus)->setFocus();
        m_session.run("xdotool", {"key", key});
        QTest::qWait(300);  // the key's events arrive through the X server
        QCOMPARE(desktop.record().find("keys(a)") != std::string::npos, ran);
        QCOMPARE(window->TimerTeach()->isActive(), stopwatch);
        QCOMPARE(store.dump("SELECT waitafter FROM keys"), focus == "Command10" ? "1000\n" : "0\n");
    }

    // A type 2 key's program shows minimized; the run has gone on meanwhile.
    void launchedProgramIsMinimized() {
        TempStore store(oneKey("2, 'xterm -T Launched -e sleep 30'"));
        auto window = openWindow(store, std::make_unique<X11Desktop>());
        QVERIFY(window);
        window->cmdSend_Click();
        QCOMPARE(window->caption(), kCaption);  // no error
        QTRY_VERIFY_WITH_TIMEOUT(m_session.run("xprop", {"-name", "Launched", "WM_STATE"})
                                     .contains("window state: Iconic"),
                                 12000);
    }

    // Closing the main window mid-run stops the run, then the window closes (so: the last test).
    void closeDuringARunStops() {
        // 1 ms between keys: the 5 000 keys would take 5 s, far longer than any close takes
        // to reach the program, however busy the machine.
        setting("KEYDELAY", 1);
        const qint64 front = sizeOf(m_frontDesk);
        whenTyped(200, "wmctrl -F -c '" + kCaption + "'", m_frontDesk);
        go("T20");
        const QByteArray got = readFrom(m_frontDesk, front, 0);
        QVERIFY2(got.size() < 5000, QByteArray::number(got.size()));
        QVERIFY(!got.contains('\r') && !got.contains('n'));
        QTRY_VERIFY(!m_window->isVisible());
    }
};

// --drive STORE ID: plays key sequence ID over and over through the real main window, player
// and X11 desktop, journaled as the program's runs are, until killed or cut off its display.
int drive(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString store = QString::fromLocal8Bit(argv[2]), node = QStringLiteral("KS") + argv[3];
    dlgMain window(store);
    window.Form_Load();
    window.show();
    X11Desktop desktop;
    InstantWaiter waiter(window.state());
    ListRunLog log(*window.lstLog());
    UnavailableReports reports;
    RunJournal journal(QFileInfo(store).dir().filePath("journal.log"), {}, {});
    journal.runStarted(RunTrigger::Go, node, {});
    KeySequencePlayer player(window.store(), desktop, waiter, log, window, reports, window.state(),
                             &journal);
    for (;;) {
        player.RunKeySequence(static_cast<std::int16_t>(window.nodeIndexForKey(node)));
        window.setCaption(kCaption);
    }
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--drive") return drive(argc, argv);
    XSession session;  // first, so that Qt and the desktops connect to its server
    if (const QString problem = session.start(); !problem.isEmpty())
        return std::fprintf(stderr, "FAIL: %s\n", qPrintable(problem)), 1;
    qputenv("DISPLAY", session.display().toUtf8());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestDesktopE2E test(session);
    return QTest::qExec(&test, argc, argv);
}
#include "TestDesktopE2E.moc"
