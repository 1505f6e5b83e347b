#include <QTest>

#include <limits>

#include "playback/Countdown.h"

using nightaudit::Countdown;

class TestCountdown : public QObject {
    Q_OBJECT
private slots:
    void seconds_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("seconds");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("500 half to even") << 500 << 0;
        QTest::newRow("501") << 501 << 1;
        QTest::newRow("1499") << 1499 << 1;
        QTest::newRow("1500 half to even") << 1500 << 2;
        QTest::newRow("2500 half to even") << 2500 << 2;
        QTest::newRow("2501") << 2501 << 3;
        QTest::newRow("3500") << 3500 << 4;
        QTest::newRow("-500") << -500 << 0;
        QTest::newRow("-3000") << -3000 << -3;
        QTest::newRow("largest") << std::numeric_limits<int>::max() << 2147484;
        QTest::newRow("smallest") << std::numeric_limits<int>::min() << -2147484;
    }
    void seconds() {
        QFETCH(int, ms);
        QFETCH(int, seconds);
        QCOMPARE(Countdown::secondsFor(ms), seconds);
    }

    // A wait of n seconds lasts n ticks; the label opens with dots, then counts
    // n-1 down to 0 (the word stays plural).
    void ticks() {
        Countdown c(3);
        QVERIFY(c.running());
        QCOMPARE(c.label(), QStringLiteral("Waiting for .... seconds"));
        QCOMPARE(c.tick(), false);
        QCOMPARE(c.label(), QStringLiteral("Waiting for 2 seconds"));
        QCOMPARE(c.tick(), false);
        QCOMPARE(c.label(), QStringLiteral("Waiting for 1 seconds"));
        QCOMPARE(c.tick(), true);
        QCOMPARE(c.label(), QStringLiteral("Waiting for 0 seconds"));
        QCOMPARE(c.remaining(), 0);
        QVERIFY(!c.running());
    }

    void nothingToWait_data() {
        QTest::addColumn<int>("seconds");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -3;
        QTest::newRow("smallest") << std::numeric_limits<int>::min();
    }
    void nothingToWait() {
        QFETCH(int, seconds);
        Countdown c(seconds);
        QVERIFY(!c.running());
        QVERIFY(c.tick());  // a stray tick ends it and never wraps round
        QVERIFY(c.remaining() <= 0);
    }
};

QTEST_GUILESS_MAIN(TestCountdown)
#include "TestCountdown.moc"
