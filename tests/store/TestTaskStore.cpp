#include <QFile>
#include <QTest>

#include "core/Error.h"
#include "store/RunSettings.h"
#include "store/Statements.h"
#include "store/TaskStore.h"
#include "support/ErrorOf.h"
#include "support/TempStore.h"

using namespace nightaudit;
using namespace nightaudit::test;
namespace S = nightaudit::statements;

namespace {

const char* kRows = R"(
INSERT INTO _config VALUES ('STARTINGHEIGHT', '6000');
INSERT INTO tasksequence VALUES (1, 'Audit', 'do this after', 1, 2), (2, 'First', NULL, 1, 1),
                                (3, 'Off', NULL, 0, 3), (4, 'Null', NULL, NULL, 4), (5, 'Two', NULL, 2, 5);
INSERT INTO task VALUES (10, 1, 'Close', 'Front Desk', 1, 1), (11, 1, 'Off', 'Front Desk', -1, 2);
INSERT INTO keysequence VALUES (20, 10, 'Open', 1, NULL, 100, 200, 1), (21, 10, 'Empty', 1, 'Mon', NULL, NULL, 2),
                               (30, 99, 'orphan', 1, NULL, 0, 0, 1);
INSERT INTO keys VALUES (100, 20, 1, 0, 'abc', NULL, 10, 20), (101, 20, 2, 1, 'special1', 'String Date', 30, 40),
                        (102, 20, 2, 0, 'tie', NULL, 50, 60), (103, 21, 1, 0, 'x', NULL, 0, 0),
                        (300, 30, 1, 0, 'lost', NULL, 0, 0);
)";

// The named columns of every row, "a,b;" per row, Null read as the null-safe blank.
std::string rows(Cursor c, std::initializer_list<const char*> columns) {
    std::string out;
    for (; !c.eof(); c.next(), out += ';')
        for (const char* name : columns)
            out += NullSafeString(c.value(name)) + (name == *std::rbegin(columns) ? "" : ",");
    return out;
}

}  // namespace

class TestTaskStore : public QObject {
    Q_OBJECT
private slots:
    // Only enabled = 1 is enabled; rows come in their order; cursors nest and stay open
    // together; the key query's renamed columns are found by their own names.
    void reads() {
        TempStore db(kRows);
        TaskStore store(db.path());
        QCOMPARE(rows(store.query(S::taskSequencesQuery()), {"Name", "doafterinstructions"}),
                 "First, ;Audit,do this after;");
        QCOMPARE(rows(store.query(S::tasksQuery("1")), {"TASKID"}), "10;");
        std::string nested;
        for (Cursor t = store.query(S::tasksQuery("1")); !t.eof(); t.next())
            nested += rows(store.query(S::keySequencesQuery(t.value("taskid").text())),
                           {"keysequenceID", "enableday"});
        QCOMPARE(nested, "20, ;21,Mon;");
        Cursor title = store.query(S::windowTitleQuery(20));
        QCOMPARE(rows(store.query(S::keysQuery(20)),
                      {"keytext", "waitbefore", "WAITAFTER", "KEYSEQUENCEID", "keypurpose"}),
                 "abc,10,20,20, ;special1,30,40,20,String Date;tie,50,60,20, ;");
        QCOMPARE(title.value("windowtitle").text(), "Front Desk");
        QCOMPARE(rows(store.query(S::windowTitleQuery(30)), {"windowtitle"}) +
                     rows(store.query(S::keysQuery(30)), {"keytext"}),
                 "");
    }

    // One prepared query run for id after id gives each id's own rows, the ones its text
    // query gives (a row left over from the previous id, or a lost first row, would show);
    // a cursor of an earlier run is refused, not read as if it were the new one.
    void reusableQuery() {
        TempStore db(std::string(kRows) +
                     "INSERT INTO keysequence VALUES (22, 11, 'Other', 1, NULL, 0, 0, 1),"
                     "(23, 10, 'Off', 0, NULL, 0, 0, 3);");
        TaskStore store(db.path());
        ReusableQuery query(store, S::keySequencesQuery("?"));
        std::string seen;
        for (int id : {10, 98, 99, 11, 10}) {
            const std::string expected = rows(store.query(S::keySequencesQuery(std::to_string(id))),
                                              {"keysequenceID", "Name"});
            QCOMPARE(rows(query.run(id), {"keysequenceID", "Name"}), expected);
            seen += expected + "|";
        }
        QCOMPARE(seen, "20,Open;21,Empty;||30,orphan;|22,Other;|20,Open;21,Empty;|");
        Cursor earlier = query.run(10);
        Cursor later = query.run(11);
        QCOMPARE(errorOf([&] { earlier.value("name"); }).number, err::Store + 21);
        QCOMPARE(later.value("name").text(), "Other");
    }

    void writes() {
        TempStore db(kRows);
        TaskStore store(db.path());
        QCOMPARE(store.execute(S::teachUpdate("15000", 20)),
                 2);  // keys 101 and 102 share the last order
        QCOMPARE(store.execute(S::teachUpdate("5", 0)), 0);
        QCOMPARE(store.execute(S::keyUpdate("don't", "500", "1", 100)), 1);
        QCOMPARE(db.dump("SELECT * FROM keys WHERE keysequenceid IN (20, 21) ORDER BY keysid"),
                 "100|20|1|1|don't|<null>|10|500\n101|20|2|1|special1|String Date|30|15000\n"
                 "102|20|2|0|tie|<null>|50|15000\n103|21|1|0|x|<null>|0|0\n");
    }

    // Errors keep the engine's code (added to err::Store) and its text.
    void errors() {
        TempStore db(kRows);
        TaskStore store(db.path());
        const Thrown noTable = errorOf([&] { store.query("select * from nosuchtable"); });
        QCOMPARE(noTable.number, err::Store + 1);
        QVERIFY2(noTable.text.contains("no such table: nosuchtable"), qPrintable(noTable.text));
        Cursor c = store.query(S::startingHeightQuery());
        QCOMPARE(errorOf([&] { c.value("nosuchcolumn"); }).number, err::Store + 25);
        c.next();
        QCOMPARE(errorOf([&] { c.value("entryvalue"); }).number, err::Store + 21);
        const std::string missing = db.path() + ".missing";
        QCOMPARE(errorOf([&] { TaskStore{missing}; }).number, err::Store + 14);
        QVERIFY(!QFile::exists(QString::fromStdString(missing)));  // opening never makes a store
    }

    // KEYDELAY and WINDOWWAIT: a stored value as runs read it (row missing: no INSERT).
    void runSettings_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("keyDelay");
        QTest::addColumn<int>("windowWait");
        QTest::newRow("missing") << "" << 0 << 0;
        QTest::newRow("Null") << "NULL" << 0 << 0;
        QTest::newRow("leading number") << "'25 ms'" << 25 << 25;
        QTest::newRow("half to even") << "'12.5'" << 12 << 12;
        QTest::newRow("negative") << "'-40'" << 0 << 0;
        QTest::newRow("above the caps") << "'5000000'" << 1000 << 60000;
        QTest::newRow("beyond 32 bits") << "'99999999999999999999'" << 1000 << 60000;
    }
    void runSettings() {
        QFETCH(QString, value);
        TempStore db;
        if (!value.isEmpty()) {
            db.exec("INSERT INTO _config VALUES ('KEYDELAY', " + value.toStdString() +
                    "), ('WINDOWWAIT', " + value.toStdString() + ")");
        }
        TaskStore store(db.path());
        const RunSettings settings = RunSettings::read(store);
        QTEST(settings.keyDelayMs, "keyDelay");
        QTEST(settings.windowWaitMs, "windowWait");
    }
};

QTEST_APPLESS_MAIN(TestTaskStore)
#include "TestTaskStore.moc"
