#include <QTest>
#include <QTreeWidget>

#include "app/MessageBoxes.h"
#include "app/TaskTree.h"
#include "store/TaskStore.h"
#include "support/ErrorOf.h"
#include "support/TempStore.h"

using namespace nightaudit;
using namespace nightaudit::test;

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

// A tree loaded from a store made of `rows`.
struct Loaded {
    explicit Loaded(const std::string& rows, QDate day = kWednesday)
        : file(rows), store(file.path()) {
        tree.LoadTaskSequence(store, day);
    }
    // Every node as "index key text", in index order.
    QStringList nodes() const {
        QStringList out;
        for (int i = 1; i <= tree.nodeCount(); ++i)
            out << QStringLiteral("%1 %2 %3").arg(i).arg(tree.key(i), tree.text(i));
        return out;
    }
    int visibleRows() const {
        int rows = 0;
        for (auto* it = tree.view()->topLevelItem(0); it; it = tree.view()->itemBelow(it)) ++rows;
        return rows;
    }
    TempStore file;
    TaskStore store;
    QWidget parent;
    TaskTree tree{&parent};
};

}  // namespace

class TestTaskTree : public QObject {
    Q_OBJECT
private slots:
    void buildsInPreOrderWithPositions() {
        Loaded t(kRows);
        // Roots by DISPLAYORDER, numbered by position; disabled rows and the children of
        // a disabled task sequence are left out; a Null name leaves "n- ".
        QCOMPARE(t.nodes(),
                 (QStringList{"1 TS3 1- First", "2 T10 1- Close", "3 KS2 1- B", "4 KS1 2- A",
                              "5 T11 2- Roll", "6 KS3 1- C", "7 TS5 2- Second", "8 TS12 3- ",
                              "9 T12 1- Twelve", "10 KS12 1- Twelve"}));
        QCOMPARE(t.tree.tag(1) + "|" + t.tree.tag(7) + "|" + t.tree.tag(8),
                 QStringLiteral("after first|after second|"));
        t.tree.expandAll();
        QCOMPARE(t.visibleRows(), 10);
        t.tree.collapseAll();
        QCOMPARE(t.visibleRows(), 3);  // only the task sequences
    }

    void lookupAndRelations() {
        Loaded t(kRows);
        const QList<QPair<QString, int>> keys{{"TS12", 8}, {"T12", 9},  {"KS12", 10},
                                              {"ks12", 0}, {"KS7", 0},  {"KS4", 0},
                                              {"KS", 0},   {"KS3 ", 0}, {"", 0}};
        for (const auto& [key, index] : keys) QCOMPARE(t.tree.GetNodeIndexProvidedKey(key), index);
        QCOMPARE(t.tree.childCount(1), 2);
        QCOMPARE(t.tree.firstChild(1), 2);
        QCOMPARE(t.tree.firstChild(3), 0);
        const QList<QPair<int, int>> siblings{{2, 5}, {5, 0}, {1, 7}, {8, 0}};
        for (const auto& [index, next] : siblings) QCOMPARE(t.tree.nextSibling(index), next);
        for (int bad : {0, -1, 11})
            QCOMPARE(errorOf([&] { t.tree.key(bad); }).number, err::NoSuchNode);
        QCOMPARE(errorOf([&] { t.tree.addRoot("TS3", "again"); }).number, err::InvalidArgument);
        QCOMPARE(errorOf([&] { t.tree.addChild("TS99", "T1", "orphan"); }).number, err::NoSuchNode);
        QCOMPARE(t.tree.nodeCount(), 10);
    }

    // A key sequence is listed when its enableday is Null or starts with the day's
    // three-letter name, in any case; one that is not listed takes no number.
    void dayRule() {
        Loaded t(R"(
INSERT INTO tasksequence VALUES (1, 'Audit', NULL, 1, 1);
INSERT INTO task VALUES (1, 1, 'Task', 'Front Desk', 1, 1);
INSERT INTO keysequence VALUES
 (1, 1, 'null', 1, NULL, 0, 0, 1), (2, 1, 'Thu', 1, 'Thu', 0, 0, 2), (3, 1, 'blank', 1, ' ', 0, 0, 3),
 (4, 1, 'We', 1, 'We', 0, 0, 4), (5, 1, 'Wed', 1, 'Wed', 0, 0, 5), (6, 1, 'empty', 1, '', 0, 0, 6),
 (7, 1, 'WEDNESDAY', 1, 'WEDNESDAY', 0, 0, 7), (8, 1, 'two blanks', 1, '  ', 0, 0, 8),
 (9, 1, 'wed, more', 1, 'wed, more', 0, 0, 9), (10, 1, ' Wed', 1, ' Wed', 0, 0, 10);
)");
        QCOMPARE(t.nodes(),
                 (QStringList{"1 TS1 1- Audit", "2 T1 1- Task", "3 KS1 1- null", "4 KS3 2- blank",
                              "5 KS5 3- Wed", "6 KS7 4- WEDNESDAY", "7 KS9 5- wed, more"}));
        TaskTree thursday(&t.parent);
        thursday.LoadTaskSequence(t.store, kWednesday.addDays(1));
        QCOMPARE(thursday.text(thursday.GetNodeIndexProvidedKey("KS2")), QStringLiteral("2- Thu"));
        QCOMPARE(thursday.nodeCount(), 5);
    }

    void emptyStoreSaysSoOnce() {
        MessageBoxes::Recorder messages;
        // Enabled tasks do not count without an enabled task sequence.
        Loaded t(
            "INSERT INTO tasksequence VALUES (1, 'Off', NULL, 0, 1);"
            "INSERT INTO task VALUES (1, 1, 'Task', 'Front Desk', 1, 1);");
        QCOMPARE(t.tree.nodeCount(), 0);
        QCOMPARE(t.tree.view()->topLevelItemCount(), 0);
        QCOMPARE(messages.shown().size(), 1);
        QCOMPARE(messages.shown().first().text,
                 QStringLiteral("There are currently no Task Sequence Defined or enabled"));
    }
};

QTEST_MAIN(TestTaskTree)
#include "TestTaskTree.moc"
