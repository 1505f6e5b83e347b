#include <QTest>
#include <QTreeWidget>

#include "app/MessageBoxes.h"
#include "app/TaskTree.h"
#include "core/Error.h"
#include "store/TaskStore.h"
#include "support/TempStore.h"

using namespace nightaudit;
using nightaudit::test::TempStore;

namespace {

const QDate kWednesday(2026, 12, 2);

const char* kRows = R"(
INSERT INTO tasksequence VALUES (5, 'Second', 'after second', 1, 2), (3, 'First', 'after first', 1, 1),
                                (9, 'Off', NULL, 0, 0), (12, NULL, NULL, 1, 3), (8, 'Two', NULL, 2, 4);
INSERT INTO task VALUES (10, 3, 'Close', 'Front Desk', 1, 1), (11, 3, 'Roll', 'Front Desk', 1, 2),
                        (13, 3, 'Off', 'Front Desk', 0, 3), (20, 9, 'Under off', 'Front Desk', 1, 1),
                        (12, 12, 'Twelve', 'Front Desk', 1, 1);
INSERT INTO keysequence VALUES (1, 10, 'A', 1, NULL, 0, 0, 2), (2, 10, 'B', 1, NULL, 0, 0, 1),
                               (3, 11, 'C', 1, NULL, 0, 0, 1), (4, 11, 'Off', 0, NULL, 0, 0, 2),
                               (7, 20, 'Under off', 1, NULL, 0, 0, 1), (12, 12, 'Twelve', 1, NULL, 0, 0, 1);
)";

// Every node as "index key text", in index order.
QStringList nodes(const TaskTree& tree) {
    QStringList out;
    for (int i = 1; i <= tree.nodeCount(); ++i) {
        out << QStringLiteral("%1 %2 %3").arg(i).arg(tree.key(i), tree.text(i));
    }
    return out;
}

// The nodes a clerk can see, top to bottom, through the view's own expansion state.
int visibleRows(const TaskTree& tree) {
    int rows = 0;
    for (QTreeWidgetItem* it = tree.view()->topLevelItem(0); it; it = tree.view()->itemBelow(it)) {
        ++rows;
    }
    return rows;
}

}  // namespace

class TestTaskTree : public QObject {
    Q_OBJECT
private slots:
    void buildsInPreOrderWithPositions() {
        TempStore file(kRows);
        TaskStore store(file.path());
        QWidget parent;
        TaskTree tree(&parent);
        tree.LoadTaskSequence(store, kWednesday);
        // Roots by DISPLAYORDER, numbered by position; disabled rows and the children of
        // a disabled task sequence are left out; a Null name leaves "n- ".
        const QStringList expected{"1 TS3 1- First",   "2 T10 1- Close", "3 KS2 1- B",
                                   "4 KS1 2- A",       "5 T11 2- Roll",  "6 KS3 1- C",
                                   "7 TS5 2- Second",  "8 TS12 3- ",     "9 T12 1- Twelve",
                                   "10 KS12 1- Twelve"};
        QCOMPARE(nodes(tree), expected);
        QCOMPARE(tree.tag(1), QStringLiteral("after first"));
        QCOMPARE(tree.tag(7), QStringLiteral("after second"));
        QCOMPARE(tree.tag(8), QString());
        QCOMPARE(tree.tag(2), QString());
    }

    void lookupByKey_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("index");
        QTest::newRow("task sequence 12") << "TS12" << 8;
        QTest::newRow("task 12") << "T12" << 9;
        QTest::newRow("key sequence 12") << "KS12" << 10;
        QTest::newRow("small letters") << "ks12" << 0;
        QTest::newRow("under a disabled task sequence") << "KS7" << 0;
        QTest::newRow("disabled key sequence") << "KS4" << 0;
        QTest::newRow("prefix only") << "KS" << 0;
        QTest::newRow("trailing blank") << "KS3 " << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void lookupByKey() {
        QFETCH(QString, key);
        QFETCH(int, index);
        TempStore file(kRows);
        TaskStore store(file.path());
        QWidget parent;
        TaskTree tree(&parent);
        tree.LoadTaskSequence(store, kWednesday);
        QCOMPARE(tree.GetNodeIndexProvidedKey(key), index);
    }

    void relationsAndBadIndexes() {
        TempStore file(kRows);
        TaskStore store(file.path());
        QWidget parent;
        TaskTree tree(&parent);
        tree.LoadTaskSequence(store, kWednesday);
        QCOMPARE(tree.childCount(1), 2);
        QCOMPARE(tree.firstChild(1), 2);
        QCOMPARE(tree.nextSibling(2), 5);
        QCOMPARE(tree.nextSibling(5), 0);
        QCOMPARE(tree.nextSibling(1), 7);
        QCOMPARE(tree.nextSibling(8), 0);
        QCOMPARE(tree.firstChild(3), 0);
        QCOMPARE(tree.firstChild(7), 0);
        for (int bad : {0, -1, 11}) {
            try {
                tree.key(bad);
                QFAIL("no error for a node index the tree does not have");
            } catch (const Error& e) {
                QCOMPARE(e.number(), err::NoSuchNode);
            }
        }
    }

    void dayRule_data() {
        QTest::addColumn<QString>("enableday");
        QTest::addColumn<bool>("listed");
        QTest::newRow("Null reads as one blank") << " " << true;
        QTest::newRow("Wed") << "Wed" << true;
        QTest::newRow("WEDNESDAY") << "WEDNESDAY" << true;
        QTest::newRow("wed and more") << "wed, after payroll" << true;
        QTest::newRow("Thu") << "Thu" << false;
        QTest::newRow("We") << "We" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("two blanks") << "  " << false;
        QTest::newRow("blank then Wed") << " Wed" << false;
    }
    void dayRule() {
        QFETCH(QString, enableday);
        QFETCH(bool, listed);
        QCOMPARE(TaskTree::isListedOn(enableday, kWednesday), listed);
    }

    void skippedKeySequencesTakeNoNumber() {
        TempStore file(R"(
INSERT INTO tasksequence VALUES (1, 'Audit', NULL, 1, 1);
INSERT INTO task VALUES (1, 1, 'Task', 'Front Desk', 1, 1);
INSERT INTO keysequence VALUES
 (1, 1, 'null', 1, NULL, 0, 0, 1), (2, 1, 'Thu', 1, 'Thu', 0, 0, 2), (3, 1, 'blank', 1, ' ', 0, 0, 3),
 (4, 1, 'We', 1, 'We', 0, 0, 4), (5, 1, 'Wed', 1, 'Wed', 0, 0, 5), (6, 1, 'empty', 1, '', 0, 0, 6),
 (7, 1, 'WEDNESDAY', 1, 'WEDNESDAY', 0, 0, 7), (8, 1, 'two blanks', 1, '  ', 0, 0, 8),
 (9, 1, 'wedx', 1, 'wedx', 0, 0, 9);
)");
        TaskStore store(file.path());
        QWidget parent;
        TaskTree tree(&parent);
        tree.LoadTaskSequence(store, kWednesday);
        const QStringList expected{"1 TS1 1- Audit", "2 T1 1- Task", "3 KS1 1- null",
                                   "4 KS3 2- blank", "5 KS5 3- Wed", "6 KS7 4- WEDNESDAY",
                                   "7 KS9 5- wedx"};
        QCOMPARE(nodes(tree), expected);

        // On a Thursday only the every-day rows and the Thursday one are listed.
        TaskTree thursday(&parent);
        thursday.LoadTaskSequence(store, kWednesday.addDays(1));
        QCOMPARE(thursday.text(thursday.GetNodeIndexProvidedKey("KS2")), QStringLiteral("2- Thu"));
        QCOMPARE(thursday.nodeCount(), 5);
    }

    void emptyStoreSaysSoOnce() {
        // Enabled tasks do not count without an enabled task sequence.
        TempStore file(R"(
INSERT INTO tasksequence VALUES (1, 'Off', NULL, 0, 1);
INSERT INTO task VALUES (1, 1, 'Task', 'Front Desk', 1, 1);
)");
        TaskStore store(file.path());
        QWidget parent;
        TaskTree tree(&parent);
        MessageBoxes::Recorder messages;
        tree.LoadTaskSequence(store, kWednesday);
        QCOMPARE(tree.nodeCount(), 0);
        QCOMPARE(tree.view()->topLevelItemCount(), 0);
        QCOMPARE(messages.shown().size(), 1);
        QCOMPARE(messages.shown().first().title, QStringLiteral("Quillmar Night Audit"));
        QCOMPARE(messages.shown().first().text,
                 QStringLiteral("There are currently no Task Sequence Defined or enabled"));
    }

    void expandAndCollapseAll() {
        TempStore file(kRows);
        TaskStore store(file.path());
        QWidget parent;
        TaskTree tree(&parent);
        tree.LoadTaskSequence(store, kWednesday);
        tree.expandAll();
        QCOMPARE(visibleRows(tree), 10);
        tree.collapseAll();
        QCOMPARE(visibleRows(tree), 3);  // only the task sequences
        tree.expandAll();
        QCOMPARE(visibleRows(tree), 10);
    }

    void playedMarkAndSelection() {
        TempStore file(kRows);
        TaskStore store(file.path());
        QWidget parent;
        TaskTree tree(&parent);
        tree.LoadTaskSequence(store, kWednesday);
        QCOMPARE(tree.selectedIndex(), 0);
        tree.select(6);
        QCOMPARE(tree.selectedIndex(), 6);
        QVERIFY(!tree.isPlayed(6));
        tree.markPlayed(6);
        QCOMPARE(tree.item(6)->foreground(0).color(), QColor(0, 255, 0));
        QVERIFY(!tree.isPlayed(5));
    }

    void duplicateKeyOrUnknownParentIsRefused() {
        QWidget parent;
        TaskTree tree(&parent);
        tree.addRoot("TS1", "1- A");
        QVERIFY_THROWS_EXCEPTION(Error, tree.addRoot("TS1", "2- B"));
        QVERIFY_THROWS_EXCEPTION(Error, tree.addChild("TS2", "T1", "1- C"));
        QCOMPARE(tree.nodeCount(), 1);
    }
};

QTEST_MAIN(TestTaskTree)
#include "TestTaskTree.moc"
