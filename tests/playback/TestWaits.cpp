// The countdown of a wait, the dialog that shows it, and the ways a clerk ends it:
// the Stop button, Alt+S, closing the dialog, and the global stop key.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <limits>

#include "playback/Countdown.h"
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
    void seconds_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("seconds");
        QTest::newRow("500 half to even") << 500 << 0;
        QTest::newRow("501") << 501 << 1;
        QTest::newRow("1500 half to even") << 1500 << 2;
        QTest::newRow("2500 half to even") << 2500 << 2;
        QTest::newRow("-3000") << -3000 << -3;
        QTest::newRow("largest") << std::numeric_limits<int>::max() << 2147484;
    }
    void seconds() {
        QFETCH(int, ms);
        QFETCH(int, seconds);
        QCOMPARE(Countdown::secondsFor(ms), seconds);
    }

    // One DialogWaiter for all rows, so each row also shows that a wait opens a fresh
    // dialog after the one before ended. `action` happens `at` ms into the wait, on the
    // dialog showing then, whose label is read first.
    void dialog_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("stops");
        QTest::addColumn<int>("atLeast");
        QTest::addColumn<int>("below");
        const QString opening = QStringLiteral("Waiting for .... seconds");
        QTest::newRow("500 ms shows nothing") << 500 << 0 << ""
                                              << "(none)" << false << 0 << 100;
        QTest::newRow("-3000 ms shows nothing") << -3000 << 0 << ""
                                                << "(none)" << false << 0 << 100;
        QTest::newRow("counts down in real time")
            << 2000 << 1500 << ""
            << "Waiting for 1 seconds" << false << 1900 << 3000;
        QTest::newRow("Stop ends at once") << 10000 << 1150 << "Stop"
                                           << "Waiting for 9 seconds" << true << 1100 << 2000;
        QTest::newRow("Alt+S is Stop") << 10000 << 150 << "Alt+S" << opening << true << 100 << 1000;
        QTest::newRow("Escape does not end it")
            << 1000 << 150 << "Escape" << opening << false << 900 << 2000;
        QTest::newRow("closing ends without Stop")
            << 10000 << 150 << "close" << opening << false << 100 << 1000;
        QTest::newRow("the stop key ends it as Stop does")
            << 10000 << 150 << "stop key" << opening << true << 100 << 1000;
    }
    void dialog() {
        QFETCH(int, ms);
        QFETCH(int, at);
        QFETCH(QString, action);
        QFETCH(QString, label);
        QFETCH(bool, stops);
        QFETCH(int, atLeast);
        QFETCH(int, below);
        m_state.bolStop = false;
        FakeStopKey key;
        StopKeyWatch watch(key, m_state, &m_waiter);
        StopKeyWatch::Run run(&watch);
        QString seen = QStringLiteral("(none)");
        QTimer timer;  // gone with this scope: it never fires into a later row
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, [&] {
            auto* d = qobject_cast<dlgWait*>(QApplication::activeModalWidget());
            if (!d) return;
            seen = d->findChild<QLabel*>(QStringLiteral("Label1"))->text();
            if (action == "Stop") d->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            if (action == "Alt+S") QTest::keyClick(d, Qt::Key_S, Qt::AltModifier);
            if (action == "Escape") QTest::keyClick(d, Qt::Key_Escape);
            if (action == "close") d->close();
            if (action == "stop key") key.press();
        });
        timer.start(at);
        QElapsedTimer clock;
        clock.start();
        m_waiter.wait(ms);
        const qint64 took = clock.elapsed();
        QCOMPARE(seen, label);
        QCOMPARE(m_state.bolStop, stops);
        QVERIFY2(took >= atLeast && took < below, qPrintable(QString::number(took)));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        // A stop after the wait has no dialog to end: it only asks for the stop.
        m_state.bolStop = false;
        m_waiter.stopCurrentWait();
        QVERIFY(m_state.bolStop);
    }

    // The stop key outside a countdown. `steps` run in order, then the watch polls.
    void stopKey_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("stops");
        QTest::addColumn<bool>("armed");
        QTest::newRow("a press between waits") << "arm press" << true << true;
        QTest::newRow("a press from before the run is forgotten")
            << "arm press disarm arm" << false << true;
        QTest::newRow("a run gives the key back") << "run press" << false << false;
        QTest::newRow("a refused key is not held") << "refuse arm press" << false << false;
    }
    void stopKey() {
        QFETCH(QString, steps);
        QFETCH(bool, stops);
        QFETCH(bool, armed);
        PlaybackState state;
        FakeStopKey key;
        StopKeyWatch watch(key, state);
        for (const QString& step : steps.split(' ')) {
            if (step == "arm") watch.arm();
            if (step == "disarm") watch.disarm();
            if (step == "press") key.press();
            if (step == "run") StopKeyWatch::Run run(&watch);
            if (step == "refuse") key.refuse = true;
        }
        QTest::qWait(200);
        QCOMPARE(state.bolStop, stops);
        QCOMPARE(key.armed(), armed);
    }

private:
    PlaybackState m_state;
    DialogWaiter m_waiter{m_state};
};

QTEST_MAIN(TestWaits)
#include "TestWaits.moc"
