#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "playback/DialogWaiter.h"
#include "playback/dlgWait.h"

using namespace nightaudit;

namespace {

dlgWait* openDialog() {
    return qobject_cast<dlgWait*>(QApplication::activeModalWidget());
}

QString labelOf(dlgWait* d) {
    return d ? d->findChild<QLabel*>(QStringLiteral("Label1"))->text()
             : QStringLiteral("(no dialog)");
}

// Runs `action` on the dialog that is open `ms` after now.
void at(int ms, std::function<void(dlgWait*)> action) {
    QTimer::singleShot(ms, [action] { action(openDialog()); });
}

}  // namespace

class TestWaitDialog : public QObject {
    Q_OBJECT
private slots:
    void design() {
        PlaybackState state;
        dlgWait d(state, 5);
        QCOMPARE(d.objectName(), QStringLiteral("dlgWait"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Waiting ...."));
        QVERIFY(d.isModal());
        QCOMPARE(labelOf(&d), QStringLiteral("Waiting for .... seconds"));
        auto* stop = d.findChild<QPushButton*>(QStringLiteral("Command1"));
        QVERIFY(stop);
        QCOMPARE(stop->text(), QStringLiteral("&Stop"));
        auto* timer = d.findChild<QTimer*>(QStringLiteral("tmrWait"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(timer->isActive());
        QCOMPARE(d.lngWaitPeriod(), 5);
    }

    void ticksDownAndEnds() {
        PlaybackState state;
        dlgWait d(state, 2);
        d.tmrWait_Timer();
        QCOMPARE(labelOf(&d), QStringLiteral("Waiting for 1 seconds"));
        QCOMPARE(d.result(), 0);
        d.tmrWait_Timer();
        QCOMPARE(labelOf(&d), QStringLiteral("Waiting for 0 seconds"));
        QCOMPARE(d.result(), int(dlgWait::Finished));
        QVERIFY(!d.findChild<QTimer*>(QStringLiteral("tmrWait"))->isActive());
        QVERIFY(!state.bolStop);
    }

    void escapeDoesNotEndTheWait() {
        PlaybackState state;
        dlgWait d(state, 5);
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(d.isVisible());
        QVERIFY(!state.bolStop);
    }

    void shortWaitsShowNothing_data() {
        QTest::addColumn<int>("ms");
        QTest::newRow("0") << 0;
        QTest::newRow("500") << 500;
        QTest::newRow("-3000") << -3000;
    }
    void shortWaitsShowNothing() {
        QFETCH(int, ms);
        PlaybackState state;
        DialogWaiter waiter(state);
        bool shown = false;
        // Anything shown would block until this fires; a return before it means nothing was shown.
        QTimer::singleShot(0, [&] { shown = openDialog() != nullptr; });
        waiter.wait(ms);
        QVERIFY(!shown);
        QCoreApplication::processEvents();
        QVERIFY(!shown);
    }

    // Real time: about two seconds.
    void countsDownInRealTime() {
        PlaybackState state;
        DialogWaiter waiter(state);
        QString first, second;
        at(400, [&](dlgWait* d) { first = labelOf(d); });
        at(1500, [&](dlgWait* d) { second = labelOf(d); });
        QElapsedTimer clock;
        clock.start();
        waiter.wait(2000);
        QVERIFY2(clock.elapsed() >= 1900, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(first, QStringLiteral("Waiting for .... seconds"));
        QCOMPARE(second, QStringLiteral("Waiting for 1 seconds"));
        QVERIFY(!openDialog());
        QVERIFY(!state.bolStop);
    }

    // Stop ends a long wait at once and asks for the stop; the next wait opens a fresh
    // dialog with the opening text. Real time: about 1.3 seconds.
    void stopEndsAtOnceAndNextWaitIsFresh() {
        PlaybackState state;
        DialogWaiter waiter(state);
        QString afterTick;
        at(1150, [&](dlgWait* d) {
            afterTick = labelOf(d);
            d->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        });
        waiter.wait(10000);
        QCOMPARE(afterTick, QStringLiteral("Waiting for 9 seconds"));
        QVERIFY(state.bolStop);

        QString opening;
        at(150, [&](dlgWait* d) {
            opening = labelOf(d);
            QTest::keyClick(d, Qt::Key_S, Qt::AltModifier);  // Alt+S is Stop
        });
        state.bolStop = false;
        waiter.wait(10000);
        QCOMPARE(opening, QStringLiteral("Waiting for .... seconds"));
        QVERIFY(state.bolStop);
    }

    void closingActsAsStop() {
        PlaybackState state;
        DialogWaiter waiter(state);
        bool closed = false;
        at(200, [&](dlgWait* d) { closed = d && d->close(); });
        QElapsedTimer clock;
        clock.start();
        waiter.wait(10000);
        QVERIFY(closed);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(state.bolStop);
    }
};

QTEST_MAIN(TestWaitDialog)
#include "TestWaitDialog.moc"
