#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "playback/PlaybackHost.h"
#include "store/TaskStore.h"
#include "support/ErrorOf.h"
#include "support/TempStore.h"
#include "teach/TeachMode.h"

using namespace nightaudit;
using namespace nightaudit::test;

// The stopwatch and Teach Task over a real store: key sequence 12 has two last keys.
class TestTeachMode : public QObject {
    Q_OBJECT
    TempStore db{
        R"(INSERT INTO keys VALUES (1, 12, 1, 0, 'a', NULL, 0, 100), (2, 12, 5, 0, 'b', NULL, 0, 200),
        (3, 12, 5, 0, 'c', NULL, 0, 300), (4, 13, 9, 0, 'd', NULL, 0, 400);)"};
    TaskStore store{db.path()};
    QTimer timer;
    QLineEdit count{QStringLiteral("9")};  // the start forgets an old count
    PlaybackState state;
    TeachMode teach{timer, count, store, state};

private slots:
    // Start counts from 1, a second start stops; a tick adds one to a number, keeps its
    // fraction, and starts again from anything else.
    void stopwatch() {
        teach.StartTeach();
        QString ticked = count.text() + (timer.isActive() ? " on " : " off ");
        for (const char* text : {"7", "2.5", " 4 ", "abc", "12s"}) {
            count.setText(text);
            teach.TimerTeach_Timer();
            ticked += count.text() + ' ';
        }
        teach.StartTeach();
        QCOMPARE(ticked + (timer.isActive() ? "on" : "off"), QString("1 on 8 3.5 5 1 1 off"));
    }

    void teachWritesEveryLastKeyOrNothing() {
        QCOMPARE(teach.teachTask(), 0);  // before any selection: key sequence 0 has no keys
        state.intKeySequenceID = 12;
        count.setText("2.5");
        QCOMPARE(teach.teachTask(), 2);
        for (const auto& [text, number] : {std::pair{"", err::TypeMismatch},
                                           {"1; drop table keys", err::TypeMismatch},
                                           {"9999999999", err::Overflow}}) {
            count.setText(text);
            QCOMPARE(errorOf([&] { teach.teachTask(); }).number, number);
        }
        QCOMPARE(db.dump("SELECT waitafter FROM keys ORDER BY keysid"), "100\n2500\n2500\n400\n");
    }
};

QTEST_MAIN(TestTeachMode)
#include "TestTeachMode.moc"
