#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include "WindowRig.h"
#include "app/ListRunLog.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

constexpr int kKeys = 80;

// KS1 (tree index 3) types "line 1" ... "line 80", one key each: more lines than the
// list shows, so the log could scroll it.
std::string manyKeys() {
    std::string rows = R"(
INSERT INTO tasksequence VALUES (1, 'Close the day', '', 1, 1);
INSERT INTO task VALUES (10, 1, 'Cashiers', 'Front Desk', 1, 1);
INSERT INTO keysequence VALUES (1, 10, 'Lines', 1, NULL, 0, 0, 1);
INSERT INTO keys VALUES )";
    for (int i = 1; i <= kKeys; ++i) {
        rows += "(" + std::to_string(i) + ", 1, " + std::to_string(i) + ", 0, 'line " +
                std::to_string(i) + "', NULL, 0, 0)" + (i < kKeys ? ", " : ";\n");
    }
    return rows;
}

QStringList lines(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
}

}  // namespace

// The run log through the window's real wiring: its repaint is held back during a run,
// never a line nor the events pumped between keys.
class TestRunLog : public QObject {
    Q_OBJECT
private slots:
    void everyLineInOrderAndTheListLeftWhereItWas() {
        WindowRig rig(manyKeys());
        rig.click(3);
        rig.window.cmdSend()->click();
        QListWidget& log = *rig.window.lstLog();
        QStringList expected;
        for (int i = 1; i <= kKeys; ++i) expected << QStringLiteral("line %1").arg(i);
        QCOMPARE(lines(log), expected);
        // Shortly after the run the list paints again, not scrolled by the log.
        QTRY_VERIFY(log.updatesEnabled());
        QVERIFY(log.verticalScrollBar()->maximum() > 0);
        QCOMPARE(log.verticalScrollBar()->value(), 0);
    }

    // A stop that arrives as an event while keys are typed is handled between two keys.
    void eventBetweenKeysStopsTheRun() {
        WindowRig rig(manyKeys());
        rig.click(3);
        int waits = 0;
        rig.waiter->setObserver([&](std::int32_t) {
            // The 3rd key's wait before: the stop is posted, not set, so only the event
            // pumping after the 3rd key can see it.
            if (++waits == 5) {
                QMetaObject::invokeMethod(
                    &rig.window, [&] { rig.window.state().bolStop = true; }, Qt::QueuedConnection);
            }
        });
        rig.window.cmdSend()->click();
        QCOMPARE(lines(*rig.window.lstLog()),
                 (QStringList{QStringLiteral("line 1"), QStringLiteral("line 2"),
                              QStringLiteral("line 3")}));
        QCOMPARE(rig.record(),
                 std::string("activate(Front Desk) activate(Front Desk) keys(line 1) "
                             "activate(Front Desk) activate(Front Desk) keys(line 2) "
                             "activate(Front Desk) activate(Front Desk) keys(line 3) "));
    }

    // A run log that goes while its refresh is pending leaves the list painting.
    void logOrListGoneWithARefreshPending() {
        QListWidget list;
        {
            ListRunLog log(list);
            log.append(QStringLiteral("x"));
            QVERIFY(!list.updatesEnabled());
        }
        QVERIFY(list.updatesEnabled());
        QCOMPARE(list.count(), 1);
        // And a list that goes first is left alone.
        auto* gone = new QListWidget;
        ListRunLog log(*gone);
        log.append(QStringLiteral("y"));
        delete gone;
    }
};

QTEST_MAIN(TestRunLog)
#include "TestRunLog.moc"
