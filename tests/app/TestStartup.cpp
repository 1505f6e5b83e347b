#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/MessageBoxes.h"
#include "app/StartupCheck.h"
#include "app/TaskTree.h"
#include "specials/SpecialDates.h"
#include "store/TaskStore.h"
#include "support/TempStore.h"

using namespace nightaudit;
using namespace nightaudit::test;

static const QDate kWednesday(2026, 12, 2);

// Start-up's store check, the special fields' dates, and the task tree load() builds from
// the store.
class TestStartup : public QObject {
    Q_OBJECT
private slots:
    // A file that is not a store, or a store that lacks what the program reads: one
    // message that names the file, an exit status, no window, and the file untouched.
    void badStores_data() {
        QTest::addColumn<QByteArray>("content");  // the file; null: none, and no change
        QTest::addColumn<QString>("change");      // else SQL run on a store from the schema
        QTest::addColumn<QString>("said");
        const QByteArray jet =
            QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2000, 7);
        for (const auto& [name, content, change, said] :
             {std::tuple{"missing", QByteArray(), "",
                         "does not exist; sqlite3 db.mdb < data/schema.sql"},
              {"Jet", jet, "", "old Access (Jet) database; convert it to SQLite"},
              {"Jet text too early", "Standard Jet DB, at 0", "", "is not an SQLite database"},
              {"no table", "", "DROP TABLE tasksequence;", "no such table: tasksequence"},
              {"no column", "", "ALTER TABLE tasksequence DROP COLUMN DISPLAYORDER;",
               "no such column: DISPLAYORDER"}})
            QTest::newRow(name) << content << QString(change) << QString(said);
    }
    void badStores() {
        QFETCH(QByteArray, content);
        QFETCH(QString, change);
        QFETCH(QString, said);
        TempStore made(change.toStdString());
        QTemporaryDir other;
        const QString path =
            change.isEmpty() ? other.path() + "/db.mdb" : QString::fromStdString(made.path());
        QFile file(path);
        if (change.isEmpty() && !content.isNull())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
                    file.flush());
        MessageBoxes::Recorder messages;
        const StartupCheck::Result r = StartupCheck::start(path);
        QVERIFY(!r.window && r.status != 0);
        for (const QString& part : said.split("; ") + QStringList{path})
            QVERIFY2(r.message.contains(part), qPrintable(r.message));
        QVERIFY(messages.shown().size() == 1 && messages.shown()[0].text == r.message);
        QCOMPARE(QFileInfo::exists(path), !content.isNull());
        if (change.isEmpty() && !content.isNull())
            QCOMPARE(QByteArray::fromStdString(readFile(path)), content);
    }

    // The program's folder wins; else $XDG_DATA_HOME, or ~/.local/share when it is unset,
    // empty or relative. With neither, the message names both places and the demo command.
    void storePlace_data() {
        QTest::addColumn<QStringList>("made");  // stores under a temporary root '@'
        QTest::addColumn<QByteArray>("xdg");    // XDG_DATA_HOME; null: unset
        QTest::addColumn<QString>("result");    // the store opened, or part of the message
        const QString user = "@home/.local/share/quillmar-night-audit/db.mdb", bin = "@bin/db.mdb",
                      xdg = "@x/quillmar-night-audit/db.mdb",
                      demo = "@share/quillmar-night-audit/db.mdb";
        const QString neither = "neither " + bin + " nor " + user + " exists. ";
        for (const auto& [name, made, xdgHome, result] :
             {std::tuple{"program folder wins", QStringList{bin, xdg}, QByteArray("@x"), bin},
              {"XDG_DATA_HOME", {xdg, user}, "@x", xdg},
              {"XDG_DATA_HOME unset", {user}, QByteArray(), user},
              {"XDG_DATA_HOME empty", {user}, "", user},
              {"XDG_DATA_HOME relative", {user}, "x", user},
              {"neither",
               {demo},
               "",
               neither + "To start from the demo store: install -D -m 644 " + demo + " " + user},
              {"neither, no demo store", {}, "", neither + "A task store can be made"}})
            QTest::newRow(name) << made << xdgHome << result;
    }
    void storePlace() {
        QFETCH(QStringList, made);
        QFETCH(QByteArray, xdg);
        QFETCH(QString, result);
        const TempStore store;
        const QTemporaryDir root;
        const QString at = root.path() + "/";
        for (QString path : made)
            QVERIFY(QDir().mkpath(QFileInfo(path.replace('@', at)).path()) &&
                    QFile::copy(QString::fromStdString(store.path()), path));
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", (at + "home").toUtf8());
        xdg.isNull() ? qunsetenv("XDG_DATA_HOME")
                     : qputenv("XDG_DATA_HOME", xdg.replace('@', at.toUtf8()));
        MessageBoxes::Recorder messages;
        const StartupCheck::Result r = StartupCheck::startFrom(at + "bin");
        qputenv("HOME", home);
        const QString got = r.window ? r.window->storePath() : r.message;
        QVERIFY2(got.contains(result.replace('@', at)) && (r.window || r.status == 1),
                 qPrintable(got));
    }

    // Only --help, -h and --version are understood, each without a window.
    void commandLine_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");     // -1: no reply, the program starts
        QTest::addColumn<QString>("reply");  // a pattern
        for (const auto& [arguments, status, reply] :
             {std::tuple{"", -1, ""},
              {"--version", 0, R"(^nightaudit \d+\.\d+\.\d+\n$)"},
              {"-h", 0, "^Usage: nightaudit \\["},
              {"--bogus", 2, "^nightaudit: unknown option '--bogus'\nUsage: "},
              {"db.mdb", 2, "^nightaudit: unexpected argument 'db.mdb'\nUsage: "}})
            QTest::newRow(arguments) << QString(arguments) << status << QString(reply);
    }
    void commandLine() {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QString, reply);
        const auto answer =
            StartupCheck::replyToCommandLine(arguments.split(' ', Qt::SkipEmptyParts));
        QCOMPARE(answer ? answer->status : -1, status);
        QVERIFY2(!answer || answer->text.contains(QRegularExpression(reply)),
                 qPrintable(answer ? answer->text : ""));
    }

    // The audit day turns at 08:00; the special fields are MMDDYY dates around it and its day.
    void specialDates_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("fields");  // the audit day, then special1, 2, 3, 4, 5, 7
        for (const auto& [now, fields] :
             {std::pair{"2026-12-05T07:59", "2026-12-04 120426 120526 120126 04 120626 120826"},
              {"2026-12-05T08:00", "2026-12-05 120526 120626 120226 05 120726 120926"},
              {"2027-01-01T00:00", "2026-12-31 123126 010127 122826 31 010227 010427"},
              {"2028-03-01T02:00", "2028-02-29 022928 030128 022628 29 030228 030428"},
              {"2000-01-09T12:00", "2000-01-09 010900 011000 010600 09 011100 011300"}})
            QTest::newRow(now) << QDateTime::fromString(now, Qt::ISODate) << fields;
    }
    void specialDates() {
        QFETCH(QDateTime, now);
        const SpecialDates d = SpecialDates::at(now);
        QCOMPARE(d.auditDay.time(), now.time());
        QTEST(QStringList({d.auditDay.date().toString(Qt::ISODate), d.special1, d.special2,
                           d.special3, d.special4, d.special5, d.special7})
                  .join(' '),
              "fields");
    }

    // Roots by DISPLAYORDER, numbered by position; only enabled = 1 rows and never the
    // children of a disabled row; a Null name leaves "n- ". A key sequence is listed when
    // its enableday is Null, one blank or starts with the day's three-letter name in any
    // case; one that is not listed takes no number.
    void buildsInPreOrderWithPositions() {
        TempStore file(R"(
INSERT INTO tasksequence VALUES (5, 'Second', 'after second', 1, 2), (3, 'First', 'after first', 1, 1),
 (9, 'Off', NULL, 0, 0), (12, NULL, NULL, 1, 3), (8, 'Two', NULL, 2, 4);
INSERT INTO task VALUES (10, 3, 'Close', 'Front Desk', 1, 1), (11, 3, 'Roll', 'Front Desk', 1, 2),
 (13, 3, 'Off', 'Front Desk', 0, 3), (20, 9, 'Under off', 'Front Desk', 1, 1), (12, 12, 'Twelve', 'Front Desk', 1, 1);
INSERT INTO keysequence VALUES (1, 10, 'A', 1, NULL, 0, 0, 2), (2, 10, 'B', 1, NULL, 0, 0, 1), (3, 11, 'C', 1, NULL, 0, 0, 1),
 (4, 11, 'Off', 0, NULL, 0, 0, 2), (7, 20, 'Under off', 1, NULL, 0, 0, 1), (12, 12, 'Twelve', 1, NULL, 0, 0, 1),
 (31, 12, 'Thu', 1, 'Thu', 0, 0, 2), (32, 12, 'blank', 1, ' ', 0, 0, 3), (33, 12, 'We', 1, 'We', 0, 0, 4),
 (34, 12, 'WEDNESDAY', 1, 'WEDNESDAY', 0, 0, 5), (35, 12, 'empty', 1, '', 0, 0, 6),
 (36, 12, 'wed, more', 1, 'wed, more', 0, 0, 7), (37, 12, ' Wed', 1, ' Wed', 0, 0, 8);
)");
        TaskStore store(file.path());
        QWidget parent;
        TaskTree t(&parent), thursday(&parent), none(&parent);
        t.load(store, kWednesday);
        QStringList nodes;
        for (int i = 1; i <= t.nodeCount(); ++i)
            nodes << QStringLiteral("%1 %2 %3").arg(i).arg(t.key(i), t.text(i));
        QCOMPARE(
            nodes.join(", "),
            "1 TS3 1- First, 2 T10 1- Close, 3 KS2 1- B, 4 KS1 2- A, 5 T11 2- Roll, 6 KS3 1- C, "
            "7 TS5 2- Second, 8 TS12 3- , 9 T12 1- Twelve, 10 KS12 1- Twelve, 11 KS32 2- blank, "
            "12 KS34 3- WEDNESDAY, 13 KS36 4- wed, more");
        QCOMPARE(t.tag(1) + "|" + t.tag(7) + "|" + t.tag(8),
                 QStringLiteral("after first|after second|"));
        // Keys are matched whole and in their case (relations: Next in test_main_window).
        QString found;
        for (const char* key : {"TS12", "T12", "KS12", "ks12", "KS012", "KS7", "KS4", "KS3 ", ""})
            found += QString::number(t.indexOfKey(key)) + ' ';
        QCOMPARE(found, QStringLiteral("8 9 10 0 0 0 0 0 0 "));
        thursday.load(store, kWednesday.addDays(1));
        QCOMPARE(thursday.text(thursday.indexOfKey("KS31")), QStringLiteral("2- Thu"));
        // Enabled tasks do not count without an enabled task sequence: the tree says so once.
        file.exec("UPDATE tasksequence SET enabled = 0");
        MessageBoxes::Recorder messages;
        none.load(store, kWednesday);
        QCOMPARE(none.view()->topLevelItemCount() + none.nodeCount(), 0);
        QVERIFY(messages.shown().size() == 1 &&
                messages.shown()[0].text.startsWith("There are currently no Task Sequence"));
    }
};

QTEST_MAIN(TestStartup)
#include "TestStartup.moc"
