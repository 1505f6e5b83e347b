// A wait's countdown dialog and the ways a clerk ends it: Stop, Alt+S, closing the
// dialog, the global stop key.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <utility>

#include "playback/DialogWaiter.h"
#include "playback/StopKeyWatch.h"
#include "playback/dlgWait.h"

using namespace nightaudit;

namespace {

// A stop key the test presses; a press reaches the program only while it holds the key.
class FakeStopKey : public StopKey {
public:
    bool refuse = false;  // another program holds the key
    bool arm() override { return m_armed = !refuse; }
    void disarm() override { m_armed = false; }
    bool pressed() override { return std::exchange(m_hit, false); }
    void press() { m_hit = m_armed || m_hit; }

private:
    bool m_hit = false;
};

}  // namespace

class TestWaits : public QObject {
    Q_OBJECT
private slots:
    // `action` happens `at` ms into a wait of `ms`, on the dialog showing then, whose
    // label is read first. All rows share one DialogWaiter, so each also shows that a
    // wait opens a fresh dialog after the one before ended.
    void wait_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("stops");
        QTest::addColumn<int>("seconds");  // how long the wait lasted, in whole seconds
        const auto row = [](const char* name, int ms, int at, const char* action, const char* label,
                            bool stops, int seconds) {
            QTest::newRow(name) << ms << at << QString(action) << QString(label) << stops
                                << seconds;
        };
        const char* opening = "Waiting for .... seconds";
        row("500 ms, half to even: nothing shown", 500, 0, "", "", false, 0);
        row("counts down", 2000, 1500, "", "Waiting for 1 seconds", false, 2);
        row("Stop", 10000, 1150, "Stop", "Waiting for 9 seconds", true, 1);
        row("Alt+S is Stop", 10000, 150, "Alt+S", opening, true, 0);
        row("Escape is nothing", 1000, 150, "Escape", opening, false, 1);
        row("closing is Stop", 10000, 150, "close", opening, true, 0);
        // A wait for a condition (ms < 0): a key the clerk holds down.
        row("a notice until the key is let go", -1, 150, "ready", "Shift held", false, 0);
        row("a notice ended by Stop", -1, 150, "Stop", "Shift held", true, 0);
        row("the stop key", 10000, 150, "stop key", opening, true, 0);
        row("a press before the run is forgotten", 1000, 150, "earlier press", opening, false, 1);
        row("a refused stop key: the wait goes on", 1000, 150, "refused key", opening, false, 1);
    }
    void wait() {
        QFETCH(int, ms);
        QFETCH(int, at);
        QFETCH(QString, action);
        QFETCH(QString, label);
        QFETCH(bool, stops);
        QFETCH(int, seconds);
        m_state.bolStop = false;
        FakeStopKey key;
        key.refuse = action == "refused key";
        StopKeyWatch watch(key, m_state, &m_waiter);
        if (action == "earlier press") {  // a press caught before this run arms the key
            watch.arm();
            key.press();
        }
        StopKeyWatch::Run run(&watch);
        QString seen;
        bool ready = false;
        QTimer timer;  // ends with this scope: it never fires into a later row
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, [&] {
            auto* d = qobject_cast<dlgWait*>(QApplication::activeModalWidget());
            if (!d) return;
            seen = d->findChild<QLabel*>(QStringLiteral("Label1"))->text();
            if (action == "Stop") d->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            if (action == "Alt+S") QTest::keyClick(d, Qt::Key_S, Qt::AltModifier);
            if (action == "Escape") QTest::keyClick(d, Qt::Key_Escape);
            if (action == "close") d->close();
            if (action.endsWith("key")) key.press();
            ready = action == "ready";
        });
        timer.start(at);
        QElapsedTimer clock;
        clock.start();
        if (ms < 0) {
            QCOMPARE(m_waiter.waitUntil("Shift held", [&] { return ready; }), !stops);
        } else {
            m_waiter.wait(ms);
        }
        QCOMPARE((clock.elapsed() + 200) / 1000, qint64(seconds));  // Qt's timers may be early
        QCOMPARE(seen, label);
        QCOMPARE(m_state.bolStop, stops);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        m_state.bolStop = false;
        m_waiter.stopCurrentWait();  // no dialog left to end: it only asks for the stop
        QVERIFY(m_state.bolStop);
    }

private:
    PlaybackState m_state;
    DialogWaiter m_waiter{m_state};
};

QTEST_MAIN(TestWaits)
#include "TestWaits.moc"
