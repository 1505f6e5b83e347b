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

    struct Rig {
        TempStore db{R"(INSERT INTO keys VALUES (1, 12, 1, 0, 'a', NULL, 0, 100),
            (2, 12, 5, 0, 'b', NULL, 0, 200), (3, 12, 5, 0, 'c', NULL, 0, 300), (4, 13, 9, 0, 'd', NULL, 0, 400);)"};
        TaskStore store{db.path()};
        QTimer timer;
        QLineEdit count{QStringLiteral("1")};
        PlaybackState state;
        TeachMode teach{timer, count, store, state};
        std::string waits() const { return db.dump("SELECT waitafter FROM keys ORDER BY keysid"); }
    };

private slots:
    void stopwatch() {
        Rig r;
        r.timer.setInterval(20);
        r.count.setText("9");
        r.teach.StartTeach();  // starts from 1, and the real timer counts on
        QCOMPARE(r.count.text(), QString("1"));
        QTRY_VERIFY(r.count.text().toInt() >= 2);
        r.teach.StartTeach();
        const QString stopped = r.count.text();
        QTest::qWait(60);                   // three ticks' time
        QCOMPARE(r.count.text(), stopped);  // stopped, and the count kept
        // A tick adds one to a number, keeps its fraction, and starts again from anything else.
        QString ticked;
        for (const char* text : {"7", "2.5", " 4 ", "abc", "", "12s"}) {
            r.count.setText(text);
            r.teach.TimerTeach_Timer();
            ticked += r.count.text() + ' ';
        }
        QCOMPARE(ticked, QString("8 3.5 5 1 1 1 "));
    }

    void teachWritesEveryLastKeyOrNothing() {
        Rig r;
        QCOMPARE(r.teach.teachTask(), 0);  // before any selection: key sequence 0 has no keys
        r.state.intKeySequenceID = 12;
        r.count.setText("2.5");
        QCOMPARE(r.teach.teachTask(), 2);
        QCOMPARE(r.waits(), std::string("100\n2500\n2500\n400\n"));
        for (const auto& [text, number] : {std::pair{"", err::TypeMismatch},
                                           {"1; drop table keys", err::TypeMismatch},
                                           {"9999999999", err::Overflow}}) {
            r.count.setText(text);
            QCOMPARE(errorOf([&] { r.teach.teachTask(); }).number, number);
        }
        QCOMPARE(r.waits(), std::string("100\n2500\n2500\n400\n"));
    }
};

QTEST_MAIN(TestTeachMode)
#include "TestTeachMode.moc"
