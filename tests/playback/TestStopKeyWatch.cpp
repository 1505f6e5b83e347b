#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "playback/DialogWaiter.h"
#include "playback/StopKeyWatch.h"
#include "playback/dlgWait.h"

using namespace nightaudit;

namespace {

// A stop key the test presses; remembers how often it was armed and whether it is now.
class FakeStopKey : public StopKey {
public:
    bool refuse = false;
    int arms = 0;
    bool arm() override {
        if (refuse) return false;
        ++arms;
        m_armed = true;
        return true;
    }
    void disarm() override { m_armed = false; }
    bool pressed() override {
        const bool hit = m_hit;
        m_hit = false;
        return hit;
    }
    // The clerk's press reaches the program only while it holds the key.
    void press() { m_hit = m_armed || m_hit; }

private:
    bool m_hit = false;
};

}  // namespace

class TestStopKeyWatch : public QObject {
    Q_OBJECT
private slots:
    void pressEndsTheCountdownAsStopDoes() {
        PlaybackState state;
        DialogWaiter waiter(state);
        FakeStopKey key;
        StopKeyWatch watch(key, state, &waiter);
        StopKeyWatch::Run run(&watch);
        QTimer::singleShot(300, [&] { key.press(); });
        QElapsedTimer clock;
        clock.start();
        waiter.wait(5000);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(state.bolStop);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void pressBetweenWaitsSetsTheStopRequest() {
        PlaybackState state;
        DialogWaiter waiter(state);
        FakeStopKey key;
        StopKeyWatch watch(key, state, &waiter);
        watch.arm();
        key.press();
        QTRY_VERIFY_WITH_TIMEOUT(state.bolStop, 1000);
        watch.disarm();
        QVERIFY(!key.armed());
    }

    void pressFromBeforeTheRunIsForgotten() {
        PlaybackState state;
        FakeStopKey key;
        StopKeyWatch watch(key, state);
        watch.arm();
        key.press();
        watch.disarm();  // the run ended before the press was read
        watch.arm();
        QTest::qWait(200);
        QVERIFY(!state.bolStop);
    }

    void notArmedOutsideARun() {
        PlaybackState state;
        FakeStopKey key;
        StopKeyWatch watch(key, state);
        { StopKeyWatch::Run run(&watch); }
        key.press();
        QTest::qWait(150);
        QVERIFY(!state.bolStop);
        QCOMPARE(key.arms, 1);
    }

    void refusedKeyLeavesTheRunAlone() {
        PlaybackState state;
        FakeStopKey key;
        key.refuse = true;
        StopKeyWatch watch(key, state);
        QVERIFY(!watch.arm());
        key.press();
        QTest::qWait(150);
        QVERIFY(!state.bolStop);
    }

    void stopWithoutCountdownSetsTheRequestOnly() {
        PlaybackState state;
        DialogWaiter waiter(state);
        waiter.stopCurrentWait();
        QVERIFY(state.bolStop);
    }

    void stopEndsOnlyTheCountdownShowing() {
        PlaybackState state;
        DialogWaiter waiter(state);
        QTimer::singleShot(200, [&] { waiter.stopCurrentWait(); });
        QElapsedTimer clock;
        clock.start();
        waiter.wait(4000);
        QVERIFY(clock.elapsed() < 2000);
        state.bolStop = false;
        waiter.stopCurrentWait();  // after the wait: nothing to end, no dangling dialog
        clock.restart();
        QTimer::singleShot(1200, [] {
            if (auto* d = qobject_cast<dlgWait*>(QApplication::activeModalWidget())) d->close();
        });
        waiter.wait(4000);  // a fresh dialog, not ended by the earlier stop
        QVERIFY(clock.elapsed() >= 1000);
    }
};

QTEST_MAIN(TestStopKeyWatch)
#include "TestStopKeyWatch.moc"
