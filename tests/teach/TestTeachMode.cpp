#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "playback/PlaybackHost.h"
#include "store/TaskStore.h"
#include "support/ErrorOf.h"
#include "support/TempStore.h"
#include "teach/TeachMode.h"

using namespace nightaudit;

class TestTeachMode : public QObject {
    Q_OBJECT
    test::TempStore db{R"(INSERT INTO keys VALUES (1, 12, 1, 0, 'a', NULL, 0, 100),
        (2, 12, 5, 0, 'b', NULL, 0, 200), (3, 12, 5, 0, 'c', NULL, 0, 300), (4, 13, 9, 0, 'd', NULL, 0, 400))"};
    TaskStore store{db.path()};
    QTimer timer;
    QLineEdit count{QStringLiteral("9")};
    PlaybackState state;
    TeachMode teach{timer, count, store, state};

private slots:
    // A tick adds one to a number, keeps its fraction, else starts from 1; Teach Task writes
    // the count to every last key (two in key sequence 12), or refuses and writes none.
    void stopwatchAndTeach() {
        teach.toggleStopwatch();
        QString seen = count.text() + (timer.isActive() ? " on " : " off ");
        for (const char* text : {"7", "2.5", " 4 ", "abc", "12s", "1.5"})  // one tick each
            seen += (count.setText(text), teach.tick(), count.text() + ' ');
        teach.toggleStopwatch();
        seen += (timer.isActive() ? "on " : "off ") + QString::number(teach.teachTask());
        state.keySequenceId = 12;
        seen += ' ' + QString::number(teach.teachTask());
        QCOMPARE(seen, QStringLiteral("1 on 8 3.5 5 1 1 2.5 off 0 2"));
        count.setText("1; drop table keys");
        QCOMPARE(test::errorOf([&] { teach.teachTask(); }).number, err::TypeMismatch);
        count.setText("-5");
        QCOMPARE(test::errorOf([&] { teach.teachTask(); }).number, err::TypeMismatch);
        count.setText("9999999999");
        QCOMPARE(test::errorOf([&] { teach.teachTask(); }).number, err::Overflow);
        QCOMPARE(db.dump("SELECT waitafter FROM keys ORDER BY keysid"), "100\n2500\n2500\n400\n");
    }
};

QTEST_MAIN(TestTeachMode)
#include "TestTeachMode.moc"
