// The real program on a throwaway X session: whatever ends it, nothing it pressed or rebound
// outlives it; a later start puts back what a killed one left; a stop is a stop.
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTest>

#include "support/TempStore.h"

#include "XSession.h"  // Xlib with it, last

#include <sys/wait.h>
#include <unistd.h>

using namespace nightaudit::test;

namespace {

// Task 10 types key sequence 1's `keys` into Front Desk, tasks 11 and 12 X and Y elsewhere.
std::string rows(const std::string& keys) {
    return R"(INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'A', 'Front Desk', 1, 1), (11, 1, 'B', 'Back Office', 1, 2),
  (12, 1, 'C', 'Back Office', 1, 3);
INSERT INTO keysequence VALUES (1, 10, 'A', 1, ' ', 0, 0, 1), (2, 11, 'B', 1, ' ', 0, 0, 1),
  (3, 12, 'C', 1, ' ', 0, 0, 1);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore, waitafter)
  VALUES (2, 1, 0, 'X', NULL, 0, 0), (3, 1, 0, 'Y', NULL, 0, 0), )" +
           keys + ";";
}

}  // namespace

class TestInputRestore : public QObject {
    Q_OBJECT
public:
    explicit TestInputRestore(XSession& session) : m_session(session) {}

private:
    XSession& m_session;
    QString m_frontDesk, m_backOffice;
    QByteArray m_mapping;  // the keyboard mapping before any test
    QProcess* m_program = nullptr;
    bool m_capsLock = false;  // what the clerk had before the run

    bool capsLocked() { return m_session.keyboard().locked_mods & LockMask; }
    void lockCaps(bool on) {
        m_capsLock = on;
        XkbLockModifiers(m_session.x(), XkbUseCoreKbd, LockMask, on ? LockMask : 0);
        XSync(m_session.x(), False);
    }

    QByteArray mapping() { return m_session.run("xmodmap", {"-pke"}); }
    // Keys and buttons the server has down and a changed keymap; empty when there are none.
    QString leftOver() {
        QString what = m_session.keysDown();
        Window w;
        int i;
        unsigned mask = 0;
        XQueryPointer(m_session.x(), DefaultRootWindow(m_session.x()), &w, &w, &i, &i, &i, &i,
                      &mask);
        if (mask & (Button1Mask | Button2Mask | Button3Mask)) what += "a button down; ";
        if (mapping() != m_mapping) what += "the keymap changed; ";
        if (capsLocked() != m_capsLock) what += "Caps Lock switched";
        return what;
    }
    QString journal(const TempStore& store) {
        return QString::fromStdString(readFile(store.dir() + "/journal.log"));
    }
private slots:
    void initTestCase() {
        m_frontDesk = m_session.startRecorder("Front Desk");
        m_backOffice = m_session.startRecorder("Back Office");
        QVERIFY(!m_frontDesk.isEmpty() && !m_backOffice.isEmpty());
        m_mapping = mapping();
    }
    void cleanup() {
        // A failed test leaves its program running: it must not stand in for the next one's.
        if (m_program) m_program->kill(), m_program->waitForFinished(5000);
        QTRY_VERIFY(!m_session.lists(kCaption));
        QTRY_COMPARE_WITH_TIMEOUT(leftOver(), QString(), 30000);  // a guardian may still be at work
        lockCaps(false);
    }

    // Killed holding Shift and a keycode bound to é, or the left button (type 6, no type 7
    // yet): all is put back and abc arrives as abc, or as ABC with the clerk's Caps Lock,
    // which the text had switched off. SIGTERM closes it as the clerk would. Pause in the
    // first of three tasks: nothing of the later two arrives.
    void nothingOutlivesTheProgram_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("pause");  // pressed first, the signal once the run has ended
        QTest::addColumn<bool>("capsLock");
        const QString shift = "(1, 1, 0, '+({\xC3\xA9 9999}{\xC3\xA9 9999})', NULL, 0, 0)";
        const QString button =
            "(1, 1, 6, '', NULL, 1200, 700), (1, 2, 0, 'x', NULL, 30000, 0),"
            " (1, 3, 7, '', NULL, 1200, 700)";
        QTest::newRow("Shift and a rebound keycode, SIGKILL") << shift << SIGKILL << false << false;
        QTest::newRow("Shift and a rebound keycode, SIGTERM") << shift << SIGTERM << false << false;
        QTest::newRow("Caps Lock on, SIGKILL") << shift << SIGKILL << false << true;
        QTest::newRow("Caps Lock on, SIGTERM") << shift << SIGTERM << false << true;
        QTest::newRow("left button, SIGKILL") << button << SIGKILL << false << false;
        QTest::newRow("left button, SIGTERM") << button << SIGTERM << false << false;
        // The clerk's Pause comes with the Shift the text holds.
        QTest::newRow("Pause in a Shift group, then SIGTERM") << shift << SIGTERM << true << false;
        QTest::newRow("Pause in the first task, then SIGTERM")
            << "(1, 1, 0, '{\xC3\xA9 9999}{\xC3\xA9 9999}', NULL, 0, 0)" << SIGTERM << true
            << false;
    }
    void nothingOutlivesTheProgram() {
        QFETCH(QString, keys);
        QFETCH(int, signal);
        QFETCH(bool, pause);
        QFETCH(bool, capsLock);
        lockCaps(capsLock);
        TempStore store(rows(keys.toStdString()));
        const qint64 front = sizeOf(m_frontDesk), back = sizeOf(m_backOffice);
        QVERIFY(m_program = m_session.startProgram(store.dir()));
        m_session.pressGo();
        // The program holds what the row is about before it is killed.
        QTRY_VERIFY_WITH_TIMEOUT(keys.contains(", 6,") ? leftOver().contains("a button down")
                                                       : sizeOf(m_frontDesk) - front > 400,
                                 10000);
        QVERIFY2(!leftOver().isEmpty(), "nothing was held when the program was killed");
        if (pause) {
            m_session.run("xdotool", {"key", "Pause"});
            QTRY_VERIFY_WITH_TIMEOUT(journal(store).contains(" stopped by the Pause key\n"), 10000);
            QTRY_VERIFY(journal(store).contains(" run ended\n"));  // no later task to begin
        }
        ::kill(static_cast<pid_t>(m_program->processId()), signal);
        QVERIFY(m_program->waitForFinished(10000));
        QCOMPARE(m_program->exitStatus() == QProcess::NormalExit, signal == SIGTERM);
        if (signal == SIGTERM) QCOMPARE(m_program->exitCode(), 0);
        if (signal == SIGTERM && !pause)
            QVERIFY2(journal(store).contains(" stopped by the signal SIGTERM; the program ends\n"),
                     qPrintable(journal(store)));
        QTRY_COMPARE_WITH_TIMEOUT(leftOver(), QString(), 30000);  // the guardian is at work
        QCOMPARE(m_session.received("Back Office", m_backOffice, back), QByteArray());
        m_session.activate("Front Desk");
        const qint64 offset = sizeOf(m_frontDesk);
        for (KeySym k : {XK_a, XK_b, XK_c}) m_session.key(k, true), m_session.key(k, false);
        QCOMPARE(m_session.received("Front Desk", m_frontDesk, offset),
                 QByteArray(capsLock ? "ABC" : "abc"));
    }

    // An earlier start and its guardian were both killed, leaving Shift down, a keycode bound
    // and the clerk's Caps Lock off: the next start puts all back before its window shows.
    void laterStartPutsBackALeftover() {
        const pid_t dead = fork();
        if (dead == 0) _exit(0);
        QVERIFY(dead > 0 && waitpid(dead, nullptr, 0) == dead);
        const QString spare =  // the last keycode without keysyms
            QRegularExpression("(?s).*keycode +(\\d+) =\n").match(m_mapping).captured(1);
        const QString name = "_QUILLMAR_HELD_" + QString::number(dead);
        m_session.run("xprop", {"-root", "-f", name, "8s", "-set", name,
                                QString("key %1\nkeycode %2\ncapslock off\n")
                                    .arg(m_session.code(XK_Shift_L))
                                    .arg(spare)});
        m_session.run("xmodmap", {"-e", "keycode " + spare + " = eacute Eacute"});
        m_session.key(XK_Shift_L, true);
        m_capsLock = true;
        QCOMPARE(leftOver(),  // Shift_L is 50
                 QString("key 50 down; the keymap changed; Caps Lock switched"));
        TempStore store(rows("(1, 1, 0, 'a', NULL, 0, 0)"));
        QVERIFY(m_program = m_session.startProgram(store.dir()));
        QCOMPARE(leftOver(), QString());  // already as the window is listed
        QVERIFY(m_session.run("xprop", {"-root", name}).contains("not found"));
    }
};

int main(int argc, char** argv) {
    return runOnXSession<QCoreApplication, TestInputRestore>(argc, argv);
}
#include "TestInputRestore.moc"
