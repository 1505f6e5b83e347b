#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/MessageBoxes.h"
#include "app/StartupCheck.h"
#include "support/TempStore.h"

using namespace nightaudit;
using nightaudit::test::TempStore;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    // A file that is not a store, or a store that lacks what the program reads: one
    // message that names the file, an exit status, no window, and the file untouched.
    void badStores_data() {
        QTest::addColumn<QByteArray>("content");  // null: no file; empty: made from the schema
        QTest::addColumn<QString>("change");      // SQL run on a store made from the schema
        QTest::addColumn<QStringList>("said");
        QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        const QString row = "INSERT INTO tasksequence VALUES (1, 'Audit', NULL, 1, 1);";
        QTest::newRow("missing") << QByteArray() << ""
                                 << QStringList{"does not exist",
                                                "sqlite3 db.mdb < data/schema.sql"};
        QTest::newRow("Jet") << jet + QByteArray(2000, '\x07') << ""
                             << QStringList{"old Access (Jet) database", "convert it to SQLite"};
        QTest::newRow("text") << QByteArray("entry,value\n") << ""
                              << QStringList{"is not an SQLite database", "data/schema.sql"};
        QTest::newRow("empty") << QByteArray("") << ""
                               << QStringList{"is not an SQLite database", "empty"};
        QTest::newRow("Jet text too early") << QByteArray("Standard Jet DB, at 0") << ""
                                            << QStringList{"is not an SQLite database"};
        QTest::newRow("no tasksequence") << QByteArray("") << "DROP TABLE tasksequence;"
                                         << QStringList{"no such table: tasksequence"};
        QTest::newRow("no task") << QByteArray("") << row + "DROP TABLE task;"
                                 << QStringList{"no such table: task"};
        QTest::newRow("no _config") << QByteArray("") << row + "DROP TABLE _config;"
                                    << QStringList{"no such table: _config"};
        QTest::newRow("no DISPLAYORDER")
            << QByteArray("") << "ALTER TABLE tasksequence DROP COLUMN DISPLAYORDER;"
            << QStringList{"no such column: DISPLAYORDER"};
    }
    void badStores() {
        QFETCH(QByteArray, content);
        QFETCH(QString, change);
        QFETCH(QStringList, said);
        TempStore made(change.toStdString());
        QTemporaryDir other;
        const QString path =
            change.isEmpty() ? other.path() + "/db.mdb" : QString::fromStdString(made.path());
        if (change.isEmpty() && !content.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        }
        MessageBoxes::Recorder messages;
        const StartupCheck::Result r = StartupCheck::start(path);
        QVERIFY(!r.window);
        QVERIFY(r.status != 0);
        for (const QString& part : said + QStringList{path})
            QVERIFY2(r.message.contains(part), qPrintable(r.message));
        QCOMPARE(messages.shown().size(), 1);
        QCOMPARE(messages.shown().first().text, r.message);
        QCOMPARE(messages.shown().first().icon, MessageBoxes::Icon::Critical);
        QCOMPARE(QFileInfo::exists(path), !content.isNull());
        if (change.isEmpty() && !content.isNull())
            QCOMPARE(QByteArray::fromStdString(test::readFile(path)), content);
    }

    void goodStoreOpensTheWindow() {
        TempStore file("INSERT INTO tasksequence VALUES (1, 'Audit', NULL, 1, 1);");
        MessageBoxes::Recorder messages;
        const StartupCheck::Result r = StartupCheck::start(QString::fromStdString(file.path()));
        QVERIFY(r.window);
        QCOMPARE(r.status, 0);
        QCOMPARE(messages.shown().size(), 0);
        QCOMPARE(r.window->nodeCount(), 1);
    }

    // The real program beside no store: it says so and ends, and leaves no db.mdb behind.
    void programEndsOnMissingStore() {
        QTemporaryDir dir;
        const QString program = dir.path() + "/nightaudit";
        QVERIFY(QFile::copy(QStringLiteral(NIGHTAUDIT_BINARY_DIR "/nightaudit"), program));
        QProcess p;
        p.start(program, {});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY(p.exitCode() != 0);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains(dir.path() + "/db.mdb") && err.contains("does not exist"),
                 qPrintable(err));
        QVERIFY(!QFileInfo::exists(dir.path() + "/db.mdb"));
    }
};

QTEST_MAIN(TestStartup)
#include "TestStartup.moc"
