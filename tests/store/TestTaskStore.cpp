#include <QFile>
#include <QTest>

#include "core/Error.h"
#include "store/Statements.h"
#include "store/TaskStore.h"
#include "support/TempStore.h"

using namespace nightaudit;
using nightaudit::test::TempStore;
namespace S = nightaudit::statements;

namespace {

const char* kRows = R"(
INSERT INTO _config VALUES ('STARTINGHEIGHT', '6000');
INSERT INTO tasksequence VALUES (1, 'Audit', 'do this after', 1, 2), (2, 'First', NULL, 1, 1),
                                (3, 'Off', NULL, 0, 3), (4, 'Null', NULL, NULL, 4), (5, 'Two', NULL, 2, 5);
INSERT INTO task VALUES (10, 1, 'Close', 'Front Desk', 1, 1), (11, 1, 'Off', 'Front Desk', -1, 2);
INSERT INTO keysequence VALUES (20, 10, 'Open', 1, NULL, 100, 200, 1), (21, 10, 'Empty', 1, 'Mon', NULL, NULL, 2);
INSERT INTO keys VALUES (100, 20, 1, 0, 'abc', NULL, 10, 20), (101, 20, 2, 1, 'special1', 'String Date', 30, 40),
                        (102, 20, 2, 0, 'tie', NULL, 50, 60), (103, 21, 1, 0, 'x', NULL, 0, 0);
)";

}  // namespace

class TestTaskStore : public QObject {
    Q_OBJECT
private slots:
    void statementTexts() {
        QCOMPARE(S::startingHeightQuery(),
                 std::string("select * from _config where entry = 'STARTINGHEIGHT'"));
        QCOMPARE(S::taskSequencesQuery(),
                 std::string("select doafterinstructions, TASKsequenceid,NAME   from "
                             "tasksequence where enabled = 1 ORDER BY DISPLAYORDER"));
        QCOMPARE(S::tasksQuery("7"),
                 std::string("select * from task where enabled = 1 and tasksequenceid "
                             "= 7   order by TASKORDER"));
        QCOMPARE(S::keySequencesQuery("15"),
                 std::string("select * from keysequence where enabled = 1 and TASKID "
                             "= 15   order by DISPLAYORDER"));
        QCOMPARE(
            S::windowTitleQuery(12),
            std::string("SELECT TASK.WINDOWTITLE FROM TASKSEQUENCE  INNER JOIN (TASK INNER JOIN "
                        "(KEYSEQUENCE INNER JOIN KEYS ON  KEYSEQUENCE.KEYSEQUENCEID = "
                        "KEYS.KEYSEQUENCEID) ON TASK.TASKID  = KEYSEQUENCE.TASKID) ON "
                        "TASKSEQUENCE.TASKSEQUENCEID = TASK.TASKSEQUENcEID  WHERE "
                        "(((KEYSEQUENCE.KEYSEQUENCEID)= 12))"));
        QCOMPARE(
            S::keysQuery(12),
            std::string("SELECT keys.*,task.windowtitle  FROM TASKSEQUENCE INNER JOIN  (TASK "
                        "INNER JOIN (KEYSEQUENCE INNER JOIN KEYS ON  KEYSEQUENCE.KEYSEQUENCEID "
                        "= KEYS.KEYSEQUENCEID) ON TASK.TASKID =  KEYSEQUENCE.TASKID) ON "
                        "TASKSEQUENCE.TASKSEQUENCEID = TASK.TASKSEQUENcEID  Where "
                        "(((KEYSEQUENCE.KEYSEQUENCEID) = 12 )) ORDER BY KEYS.KEYORDER"));
        QCOMPARE(S::taskKeySequencesQuery(15),
                 std::string("SELECT * From KEYSEQUENCE  WHERE enabled = 1 and taskid = 15 "
                             "order by displayorder asc "));
        QCOMPARE(S::teachUpdate("15000", 12),
                 std::string(
                     "update keys set waitafter = 15000  where keysequenceid = 12 and keyorder = "
                     "(select max(keyorder) from keys where keysequenceid = 12)"));
        QCOMPARE(S::keyListQuery(-3),
                 std::string("SELECT * FROM KEYS where KEYSEQUENCEID = -3  ORDER BY KEYORDER"));
        QCOMPARE(S::keyUpdate("abc", "500", "0", 17),
                 std::string("update keys set keytext = 'abc' , waitafter = 500 , keytype = 0 "
                             "where keysid = 17"));
        QCOMPARE(S::keyUpdate("don't", "1", "2", 3),
                 std::string("update keys set keytext = 'don''t' , waitafter = 1 , keytype = 2 "
                             "where keysid = 3"));
    }

    void enabledMustBeExactlyOne() {
        TempStore db(kRows);
        TaskStore store(db.path());
        std::string names;
        for (Cursor c = store.query(S::taskSequencesQuery()); !c.eof(); c.next())
            names += c.value("Name").text() + ";";
        QCOMPARE(names,
                 std::string("First;Audit;"));  // ordered by DISPLAYORDER; 0, NULL and 2 hidden
        Cursor tasks = store.query(S::tasksQuery("1"));
        QCOMPARE(tasks.value("TASKID").text(), std::string("10"));
        tasks.next();
        QVERIFY(tasks.eof());  // enabled -1 hidden
    }

    void cursorsNest() {
        TempStore db(kRows);
        TaskStore store(db.path());
        std::string seen;
        for (Cursor ts = store.query(S::taskSequencesQuery()); !ts.eof(); ts.next()) {
            for (Cursor t = store.query(S::tasksQuery(ts.value("TASKsequenceid").text())); !t.eof();
                 t.next()) {
                for (Cursor ks = store.query(S::keySequencesQuery(t.value("taskid").text()));
                     !ks.eof(); ks.next()) {
                    seen += ks.value("keysequenceID").text() + ":" +
                            NullSafeString(ks.value("enableday")) + ";";
                }
            }
        }
        QCOMPARE(seen, std::string("20: ;21:Mon;"));
    }

    // One prepared query run for id after id gives each id's own rows, the ones its text
    // query gives (a row left over from the previous id, or a missing first row, would show);
    // a cursor of an earlier run is refused, not read as if it were the new one.
    void reusableQueryGivesEachIdsOwnRows() {
        TempStore db(std::string(kRows) +
                     "INSERT INTO keysequence VALUES (22, 11, 'Other', 1, NULL, 0, 0, 1),"
                     "(23, 10, 'Off', 0, NULL, 0, 0, 3);");
        TaskStore store(db.path());
        auto rows = [](Cursor c) {
            std::string out;
            for (; !c.eof(); c.next())
                out += c.value("keysequenceID").text() + ":" + c.value("name").text() + ";";
            return out;
        };
        ReusableQuery query(store, S::keySequencesQuery("?"));
        std::string seen;
        for (int id : {10, 99, 11, 10}) {
            const std::string expected =
                rows(store.query(S::keySequencesQuery(std::to_string(id))));
            QCOMPARE(rows(query.run(id)), expected);
            seen += expected + "|";
        }
        QCOMPARE(seen, std::string("20:Open;21:Empty;||22:Other;|20:Open;21:Empty;|"));
        Cursor earlier = query.run(10);
        Cursor later = query.run(11);
        QVERIFY_THROWS_EXCEPTION(Error, earlier.value("name"));
        QCOMPARE(later.value("name").text(), std::string("Other"));
    }

    // In the key query the engine renames the keys columns that clash with keysequence
    // columns ("waitafter:1"); they must still be found by their own names.
    void keyQueryColumnsByName() {
        TempStore db(kRows);
        TaskStore store(db.path());
        Cursor keys = store.query(S::keysQuery(20));
        Cursor title =
            store.query(S::windowTitleQuery(20));  // open together, as while a key sequence plays
        QCOMPARE(title.value("windowtitle").text(), std::string("Front Desk"));
        std::string seen;
        for (; !keys.eof(); keys.next()) {
            seen += keys.value("keytext").text() + "," +
                    std::to_string(NullSafeLong(keys.value("waitbefore"))) + "," +
                    std::to_string(NullSafeLong(keys.value("WAITAFTER"))) + "," +
                    keys.value("KEYSEQUENCEID").text() + "," +
                    NullSafeString(keys.value("keypurpose")) + ";";
        }
        QCOMPARE(seen, std::string("abc,10,20,20, ;special1,30,40,20,String Date;tie,50,60,20, ;"));
    }

    void missingParentsYieldNoRows() {
        TempStore db(std::string(kRows) +
                     "INSERT INTO keysequence VALUES (30, 99, 'orphan', 1, NULL, 0, 0, 1);"
                     "INSERT INTO keys VALUES (300, 30, 1, 0, 'lost', NULL, 0, 0);");
        TaskStore store(db.path());
        QVERIFY(store.query(S::windowTitleQuery(30)).eof());
        QVERIFY(store.query(S::keysQuery(30)).eof());
    }

    void readingBadColumnsFails() {
        TempStore db(kRows);
        TaskStore store(db.path());
        Cursor c = store.query(S::startingHeightQuery());
        QCOMPARE(c.value("entryvalue").text(), std::string("6000"));
        QVERIFY_THROWS_EXCEPTION(Error, c.value("nosuchcolumn"));
        c.next();
        QVERIFY(c.eof());
        QVERIFY_THROWS_EXCEPTION(Error, c.value("entryvalue"));
    }

    void teachUpdateChangesEveryLastKey() {
        TempStore db(kRows);
        TaskStore store(db.path());
        QCOMPARE(store.execute(S::teachUpdate("15000", 20)),
                 2);  // keys 101 and 102 share the largest order
        QCOMPARE(db.dump("select keysid, waitafter from keys order by keysid"),
                 std::string("100|20\n101|15000\n102|15000\n103|0\n"));
        QCOMPARE(store.execute(S::teachUpdate("5", 0)), 0);  // no key sequence 0: nothing changes
    }

    void keyUpdateStoresApostrophes() {
        TempStore db(kRows);
        TaskStore store(db.path());
        QCOMPARE(store.execute(S::keyUpdate("don't", "500", "1", 100)), 1);
        QCOMPARE(
            db.dump("select * from keys order by keysid"),
            std::string("100|20|1|1|don't|<null>|10|500\n101|20|2|1|special1|String Date|30|40\n"
                        "102|20|2|0|tie|<null>|50|60\n103|21|1|0|x|<null>|0|0\n"));
    }

    void engineErrorsCarryCodeAndText() {
        TempStore db(kRows);
        TaskStore store(db.path());
        try {
            store.query("select * from nosuchtable");
            QFAIL("no error");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::Store + 1);  // SQLITE_ERROR
            QVERIFY2(e.description().find("no such table: nosuchtable") != std::string::npos,
                     e.what());
        }
    }

    void openingNeverCreatesAFile() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/db.mdb";
        QVERIFY_THROWS_EXCEPTION(Error, TaskStore(path.toStdString()));
        QVERIFY(!QFile::exists(path));
    }

    void openingANonDatabaseFails() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/db.mdb";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4, '\0') + "Standard Jet DB" + QByteArray(2000, 'x'));
        f.close();
        try {
            TaskStore store(path.toStdString());
            QFAIL("opened a Jet file");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::Store + 26);  // SQLITE_NOTADB
        }
    }
};

QTEST_APPLESS_MAIN(TestTaskStore)
#include "TestTaskStore.moc"
