// A wait's countdown dialog and the ways to end it: Stop, Alt+S, closing, the stop key.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <utility>

#include "playback/CountdownDialog.h"
#include "playback/DialogWaiter.h"
#include "playback/StopKeyWatch.h"

using namespace nightaudit;

namespace {

// A stop key the test presses; a press reaches the program only while it holds the key.
struct FakeStopKey : StopKey {
    bool refuse = false, hit = false;  // refuse: another program holds the key
    bool arm() override { return m_armed = !refuse; }
    void disarm() override { m_armed = false; }
    bool pressed() override { return std::exchange(hit, false); }
    void press() { hit = m_armed || hit; }
};

}  // namespace

class TestWaits : public QObject {
    Q_OBJECT
private slots:
    // `action` happens `at` ms into a wait of `ms` (< 0: a wait until a held key is let
    // go), on the dialog showing then. The result: the dialog's label when the action came,
    // whether the run stops, how long the wait lasted in whole seconds. All rows share one
    // DialogWaiter, so each also shows that a wait opens a fresh dialog after the last.
    void wait_data() {
        for (const char* column : {"ms", "at"}) QTest::addColumn<int>(column);
        for (const char* column : {"action", "result"}) QTest::addColumn<QString>(column);
        const auto row = [](const char* name, int ms, int at, const char* action, QString result) {
            QTest::newRow(name) << ms << at << QString(action)
                                << result.replace("opening", "Waiting for .... seconds");
        };
        row("500 ms, half to even: nothing shown", 500, 0, "", ": on, 0 s");
        row("counts down", 2000, 1500, "", "Waiting for 1 seconds: on, 2 s");
        row("Stop", 10000, 1150, "Stop", "Waiting for 9 seconds: stopped, 1 s");
        row("Alt+S is Stop", 10000, 150, "Alt+S", "opening: stopped, 0 s");
        row("Escape is nothing", 1000, 150, "Escape", "opening: on, 1 s");
        row("closing is Stop", 10000, 150, "close", "opening: stopped, 0 s");
        row("a notice until the key is let go", -1, 150, "ready", "Shift held: on, 0 s");
        row("a notice ended by Stop", -1, 150, "Stop", "Shift held: stopped, 0 s");
        row("the stop key", 10000, 150, "stop key", "opening: stopped, 0 s");
        row("a press before the run is forgotten", 1000, 150, "earlier press", "opening: on, 1 s");
        row("a refused stop key: the wait goes on", 1000, 150, "refused key", "opening: on, 1 s");
    }
    void wait() {
        QFETCH(int, ms);
        QFETCH(int, at);
        QFETCH(QString, action);
        QFETCH(QString, result);
        m_state.stopRequested = false;
        FakeStopKey key;
        key.refuse = action == "refused key";
        StopKeyWatch watch(key, m_state, &m_waiter);
        if (action == "earlier press") watch.arm(), key.press();  // caught before this run
        StopKeyWatch::Run run(&watch);
        QString seen;
        bool ready = false;
        QObject scope;  // the action dies with it: it never fires into a later row
        QTimer::singleShot(at, &scope, [&] {
            auto* d = qobject_cast<CountdownDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            seen = d->findChild<QLabel*>(QStringLiteral("Label1"))->text();
            if (action == "Stop") d->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            if (action == "Alt+S") QTest::keyClick(d, Qt::Key_S, Qt::AltModifier);
            if (action == "Escape") QTest::keyClick(d, Qt::Key_Escape);
            if (action == "close") d->close();
            if (action.endsWith("key")) key.press();
            ready = action == "ready";
        });
        QElapsedTimer clock;
        clock.start();
        if (ms < 0) ready = m_waiter.waitUntil("Shift held", [&] { return ready; });
        if (ms >= 0) m_waiter.wait(ms);
        QCOMPARE(ready, ms < 0 && !m_state.stopRequested);  // a wait until: true unless stopped
        QCOMPARE(seen + (m_state.stopRequested ? ": stopped, " : ": on, ") +
                     QString::number((clock.elapsed() + 200) / 1000) + " s",  // timers may be early
                 result);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        m_state.stopRequested = false;
        m_waiter.stopCurrentWait();  // no dialog left to end: it only asks for the stop
        QVERIFY(m_state.stopRequested);
    }

private:
    PlaybackState m_state;
    DialogWaiter m_waiter{m_state};
};

QTEST_MAIN(TestWaits)
#include "TestWaits.moc"
