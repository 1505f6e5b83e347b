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
        QTest::addColumn<QByteArray>("content");  // the file; null: none, and no change
        QTest::addColumn<QString>("change");      // else SQL run on a store from the schema
        QTest::addColumn<QString>("said");
        const QByteArray jet =
            QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2000, 7);
        for (const auto& [name, content, said] :
             {std::tuple{"missing", QByteArray(),
                         "does not exist; sqlite3 db.mdb < data/schema.sql"},
              {"Jet", jet, "old Access (Jet) database; convert it to SQLite"},
              {"text", "entry,value\n", "is not an SQLite database; data/schema.sql"},
              {"empty", "", "is not an SQLite database; empty"},
              {"Jet text too early", "Standard Jet DB, at 0", "is not an SQLite database"}})
            QTest::newRow(name) << content << QString() << QString(said);
        const QString row = "INSERT INTO tasksequence VALUES (1, 'Audit', NULL, 1, 1);";
        for (const auto& [change, said] :
             {std::pair{QStringLiteral("DROP TABLE tasksequence;"), "no such table: tasksequence"},
              {row + "DROP TABLE task;", "no such table: task"},
              {row + "DROP TABLE _config;", "no such table: _config"},
              {"ALTER TABLE tasksequence DROP COLUMN DISPLAYORDER;",
               "no such column: DISPLAYORDER"}})
            QTest::newRow(said) << QByteArray("") << change << QString(said);
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
        QVERIFY(r.window && r.status == 0 && messages.shown().isEmpty());
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
