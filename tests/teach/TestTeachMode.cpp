#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "core/Error.h"
#include "playback/PlaybackHost.h"
#include "store/TaskStore.h"
#include "support/TempStore.h"
#include "teach/TeachMode.h"

using namespace nightaudit;
using nightaudit::test::TempStore;

namespace {
const char* kKeys = R"(
INSERT INTO keys VALUES (1, 12, 1, 0, 'a', NULL, 0, 100), (2, 12, 5, 0, 'b', NULL, 0, 200),
                        (3, 12, 5, 0, 'c', NULL, 0, 300), (4, 13, 9, 0, 'd', NULL, 0, 400);
)";
}

class TestTeachMode : public QObject {
    Q_OBJECT

    struct Rig {
        TempStore db{kKeys};
        TaskStore store{db.path()};
        QTimer timer;
        QLineEdit count{QStringLiteral("1")};
        PlaybackState state;
        TeachMode teach{timer, count, store, state};
        Rig() { timer.setInterval(1000); }
    };

private slots:
    void stopwatchStartsStopsAndCounts() {
        Rig r;
        r.count.setText("9");
        r.teach.StartTeach();
        QVERIFY(r.timer.isActive());
        QCOMPARE(r.count.text(), QString("1"));
        for (int i = 0; i < 14; ++i) r.teach.TimerTeach_Timer();
        QCOMPARE(r.count.text(), QString("15"));
        r.teach.StartTeach();
        QVERIFY(!r.timer.isActive());
        QCOMPARE(r.count.text(), QString("15"));  // stopping keeps the count
        r.teach.StartTeach();
        QCOMPARE(r.count.text(), QString("1"));  // starting again begins at 1
    }

    void tickText_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("whole") << "7"
                               << "8";
        QTest::newRow("fraction kept") << "2.5"
                                       << "3.5";
        QTest::newRow("blanks around") << " 4 "
                                       << "5";
        QTest::newRow("not a number restarts") << "abc"
                                               << "1";
        QTest::newRow("empty restarts") << ""
                                        << "1";
        QTest::newRow("trailing letters restart") << "12s"
                                                  << "1";
    }
    void tickText() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        Rig r;
        r.count.setText(before);
        r.teach.TimerTeach_Timer();
        QCOMPARE(r.count.text(), after);
    }

    // The real timer drives the tick: one interval of 50 ms moves 1 to at least 2.
    void timerDrivesTheTick() {
        Rig r;
        r.timer.setInterval(50);
        r.teach.StartTeach();
        QTRY_VERIFY_WITH_TIMEOUT(r.count.text().toInt() >= 2, 2000);
    }

    void teachWritesEveryLastKey() {
        Rig r;
        r.state.intKeySequenceID = 12;
        r.count.setText("15");
        QCOMPARE(r.teach.teachTask(), 2);
        QCOMPARE(r.db.dump("select keysid, waitafter from keys order by keysid"),
                 std::string("1|100\n2|15000\n3|15000\n4|400\n"));
        r.count.setText("2.5");
        r.teach.teachTask();  // the later one wins
        QCOMPARE(r.db.dump("select waitafter from keys where keysid = 2"), std::string("2500\n"));
    }

    void teachBeforeAnySelectionChangesNothing() {
        Rig r;
        QCOMPARE(r.teach.teachTask(), 0);
        QCOMPARE(r.db.dump("select waitafter from keys order by keysid"),
                 std::string("100\n200\n300\n400\n"));
    }

    void teachRefusesBadCounts_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("words") << "ten";
        QTest::newRow("empty") << "";
        QTest::newRow("sql") << "1; drop table keys";
        QTest::newRow("too long") << "9999999999";
        QTest::newRow("negative") << "-5";
    }
    void teachRefusesBadCounts() {
        QFETCH(QString, text);
        Rig r;
        r.state.intKeySequenceID = 12;
        r.count.setText(text);
        QVERIFY_THROWS_EXCEPTION(Error, r.teach.teachTask());
        QCOMPARE(r.db.dump("select waitafter from keys order by keysid"),
                 std::string("100\n200\n300\n400\n"));
    }
};

QTEST_MAIN(TestTeachMode)
#include "TestTeachMode.moc"
