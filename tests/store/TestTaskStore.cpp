#include <QTest>

#include "core/Rounding.h"
#include "store/LeadingNumber.h"
#include "store/RunSettings.h"
#include "store/Statements.h"
#include "store/TaskStore.h"
#include "support/ErrorOf.h"
#include "support/TempStore.h"

using namespace nightaudit;
using namespace nightaudit::test;
namespace S = nightaudit::statements;

// The named columns of every row, "a,b;" per row, Null read as the null-safe blank.
template <class... Names>
std::string rows(Cursor c, Names... columns) {
    std::string out;
    for (; !c.eof(); c.next(), out.back() = ';')
        ((out += textOrBlank(c.value(columns)) + ","), ...);
    return out;
}

class TestTaskStore : public QObject {
    Q_OBJECT
    TempStore db{R"(INSERT INTO _config VALUES ('STARTINGHEIGHT', '6000');
INSERT INTO tasksequence VALUES (1, 'Audit', 'do this after', 1, 2), (2, 'First', NULL, 1, 1), (3, 'Off', NULL, 0, 3),
 (4, 'Null', NULL, NULL, 4), (5, 'Two', NULL, 2, 5);
INSERT INTO task VALUES (10, 1, 'Close', 'Front Desk', 1, 1), (11, 1, 'Off', 'Front Desk', -1, 2);
INSERT INTO keysequence VALUES (20, 10, 'Open', 1, NULL, 100, 200, 1), (21, 10, 'Empty', 1, 'Mon', NULL, NULL, 2);
INSERT INTO keys VALUES (100, 20, 1, 0, 'abc', NULL, 10, 20), (101, 20, 2, 1, 'special1', 'String Date', 30, 40),
 (102, 20, 2, 0, 'tie', NULL, 50, 60), (103, 21, 1, 0, 'x', NULL, 0, 0);)"};
    TaskStore store{db.path()};

private slots:
    // Only enabled = 1 is enabled; rows come in their order; cursors nest and stay open
    // together; the key query's renamed columns are found by their own names.
    void reads() {
        std::string read =
            rows(store.query(S::taskSequencesQuery()), "Name", "doafterinstructions");
        for (Cursor t = store.query(S::tasksQuery(Value::integer(1))); !t.eof(); t.next())
            read += "|" + t.value("taskid").text() + ":" +
                    rows(store.query(S::keySequencesQuery(t.value("taskid"))), "keysequenceID",
                         "enableday");
        Cursor title = store.query(S::windowTitleQuery(20));
        read += "|" +
                rows(store.query(S::keysQuery(20)), "keytext", "waitbefore", "WAITAFTER",
                     "KEYSEQUENCEID", "keypurpose") +
                title.value("windowtitle").text();
        QCOMPARE(read,
                 "First, ;Audit,do this after;|10:20, ;21,Mon;|abc,10,20,20, ;"
                 "special1,30,40,20,String Date;tie,50,60,20, ;Front Desk");
    }

    // One prepared query run for id after id gives each id's own rows; a cursor of an
    // earlier run is refused, not read as if it were the new one.
    void reusableQuery() {
        db.exec("INSERT INTO keysequence VALUES (22, 11, 'Other', 1, NULL, 0, 0, 1)");
        ReusableQuery query(store, S::keySequencesQuery(Value()).text);
        std::string read;
        for (int id : {10, 99, 11, 10})
            read += rows(query.run(Value::integer(id)), "keysequenceID", "Name") + "|";
        QCOMPARE(read, "20,Open;21,Empty;||22,Other;|20,Open;21,Empty;|");
        Cursor earlier = query.run(Value::integer(10));
        Cursor later = query.run(Value::integer(11));
        QCOMPARE(errorOf([&] { earlier.value("name"); }).number, err::Store + 21);
        QCOMPARE(later.value("name").text(), "Other");
    }

    // Errors keep the engine's code, added to err::Store (its text: test_startup, "no table").
    void errors() {
        QCOMPARE(errorOf([&] { store.query("select * from nosuchtable"); }).number, err::Store + 1);
        Cursor c = store.query(S::startingHeightQuery());
        QCOMPARE(errorOf([&] { c.value("nosuchcolumn"); }).number, err::Store + 25);
        c.next();
        QCOMPARE(errorOf([&] { c.value("entryvalue"); }).number, err::Store + 21);
        QCOMPARE(errorOf([&] { TaskStore{db.path() + ".missing"}; }).number, err::Store + 14);
    }

    // KEYDELAY and WINDOWWAIT as runs read them: a leading number, half to even, held
    // between 0 and their caps; 0 for Null.
    void runSettings() {
        QString read;
        for (const std::string value :
             {"NULL", "'25 ms'", "'12.5'", "'-40'", "'5000000'", "'99999999999999999999'"}) {
            db.exec("DELETE FROM _config; INSERT INTO _config VALUES ('KEYDELAY', " + value +
                    "), ('WINDOWWAIT', " + value + ")");
            const RunSettings settings = RunSettings::read(store);
            read += QStringLiteral("%1/%2 ").arg(settings.keyDelayMs).arg(settings.windowWaitMs);
        }
        QCOMPARE(read, "0/0 25/25 12/12 0/0 1000/60000 1000/60000 ");
    }

    // Values are bound, never written into the text: a key text that reads as SQL is stored
    // as typed, digits are stored as numbers, and the teach update finds the last key.
    void boundValues() {
        const std::string text = "it's'); DROP TABLE keys; --";
        QCOMPARE(store.execute(S::keyUpdate(text, "75", "8", 100)), 1);
        QCOMPARE(store.execute(S::teachUpdate("1500", 20)), 2);  // keys 101 and 102 share order 2
        QCOMPARE(rows(store.query("SELECT keytext, typeof(waitafter), keytype FROM keys "
                                  "WHERE keysid = 100"),
                      "keytext", "typeof(waitafter)", "keytype"),
                 text + ",integer,8;");
        QCOMPARE(rows(store.query(S::keysQuery(20)), "waitafter"), "75;1500;1500;");
        QCOMPARE(rows(store.query(S::settingQuery("STARTINGHEIGHT' OR '1'='1")), "entry"), "");
    }

    // The text-to-number rule every stored number goes through, and 16-bit whole numbers.
    void leadingNumbers() {
        // text, its leading number, and leadingLongOrZero of it (rounded half to even)
        // clang-format off
        const std::tuple<const char*, double, int> rows[] = {
            {"750", 750, 750}, {"12abc", 12, 12}, {"abc", 0, 0}, {" 1 5 ", 15, 15},
            {"1\t2\n3", 123, 123}, {"2.5", 2.5, 2}, {"3.5", 3.5, 4}, {"-2.5", -2.5, -2},
            {"2.51", 2.51, 3}, {"1,234.50", 1, 1}, {"1.2.3", 1.2, 1}, {"", 0, 0}, {"1\r2", 1, 1},
            {"2147483647", 2147483647, 2147483647}, {"-2147483648", -2147483648.0, -2147483647 - 1}};
        // clang-format on
        for (const auto& [text, number, whole] : rows) {
            QCOMPARE(leadingNumber(text), number);
            QCOMPARE(leadingLongOrZero(Value::text(text)), whole);
        }
        for (const char* text : {"2147483648", "-2147483649", "99999999999999999999999999999999"})
            QCOMPARE(errorOf([&] { leadingLongOrZero(Value::text(text)); }).number, err::Overflow);
        QCOMPARE(leadingLongOrZero(Value::null()), 0);
        const auto id = [](double v) {
            return roundHalfEvenTo<std::int16_t>(v, [] { return ""; });
        };
        QCOMPARE(id(32766.5) + id(-32768.4), -2);
        for (double out : {32767.5, -40000.0})
            QCOMPARE(errorOf([&] { id(out); }).number, err::Overflow);
    }
};

QTEST_APPLESS_MAIN(TestTaskStore)
#include "TestTaskStore.moc"
