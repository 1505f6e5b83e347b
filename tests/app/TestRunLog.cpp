#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cstring>

#include "app/ListRunLog.h"
#include "support/WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// KS1 (node 3) types "1" ... "80", one key each: more lines than the list shows.
const char* kManyKeys = R"(
INSERT INTO tasksequence VALUES (1, 'Day', '', 1, 1);
INSERT INTO task VALUES (10, 1, 'Cashiers', 'Front Desk', 1, 1);
INSERT INTO keysequence VALUES (1, 10, 'Lines', 1, NULL, 0, 0, 1);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 80)
INSERT INTO keys SELECT i, 1, i, 0, i, NULL, 0, 0 FROM n;
)";

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
        WindowRig rig(kManyKeys);
        rig.click(3);
        rig.window.cmdSend()->click();
        QListWidget& log = *rig.window.lstLog();
        QStringList numbers;
        for (int i = 1; i <= 80; ++i) numbers << QString::number(i);
        QCOMPARE(lines(log), numbers);
        // Shortly after the run the list paints again, still where the clerk left it.
        QTRY_VERIFY(log.updatesEnabled());
        QVERIFY(log.verticalScrollBar()->maximum() > 0);
        QCOMPARE(log.verticalScrollBar()->value(), 0);
    }

    void logGoneWithARefreshPendingLeavesTheListPainting() {
        QListWidget list;
        {
            ListRunLog log(list);
            log.append(QStringLiteral("x"));
            QVERIFY(!list.updatesEnabled());
        }
        QVERIFY(list.updatesEnabled());
        QCOMPARE(list.count(), 1);
    }

    // The list lives in storage the test owns; once it is gone the storage is zeroed, so
    // a log that still touched it would crash or write there.
    void listGoneFirstIsLeftAlone() {
        alignas(QListWidget) unsigned char storage[sizeof(QListWidget)];
        auto* list = new (storage) QListWidget;
        {
            ListRunLog log(*list);
            log.append(QStringLiteral("y"));
            list->~QListWidget();
            std::memset(storage, 0, sizeof storage);
            log.refresh();
        }
        QVERIFY(std::all_of(std::begin(storage), std::end(storage), [](auto b) { return b == 0; }));
    }
};

QTEST_MAIN(TestRunLog)
#include "TestRunLog.moc"
