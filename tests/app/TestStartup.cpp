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

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void badFiles_data() {
        QTest::addColumn<QByteArray>("content");  // null: no file at all
        QTest::addColumn<QStringList>("said");

        QTest::newRow("missing") << QByteArray()
                                 << QStringList{"does not exist",
                                                "sqlite3 db.mdb < data/schema.sql"};
        QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        jet.append(QByteArray(2000, '\x07'));
        QTest::newRow("Jet") << jet
                             << QStringList{"old Access (Jet) database", "convert it to SQLite"};
        QTest::newRow("text") << QByteArray("entry,value\nSTARTINGHEIGHT,6000\n")
                              << QStringList{"is not an SQLite database", "data/schema.sql"};
        QTest::newRow("empty") << QByteArray("")
                               << QStringList{"is not an SQLite database", "empty"};
        QTest::newRow("Jet text too early") << QByteArray("Standard Jet DB, but at byte 0")
                                            << QStringList{"is not an SQLite database"};
    }
    void badFiles() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, said);
        QTemporaryDir dir;
        const QString path = dir.path() + "/db.mdb";
        if (!content.isNull()) writeFile(path, content);

        MessageBoxes::Recorder messages;
        const StartupCheck::Result r = StartupCheck::start(path);
        QVERIFY(!r.window);
        QVERIFY(r.status != 0);
        QVERIFY2(r.message.contains(path), qPrintable(r.message));
        for (const QString& part : said) QVERIFY2(r.message.contains(part), qPrintable(r.message));
        QCOMPARE(messages.shown().size(), 1);
        QCOMPARE(messages.shown().first().text, r.message);
        QCOMPARE(messages.shown().first().icon, MessageBoxes::Icon::Critical);
        // Nothing is created, and a bad file is left exactly as it was.
        QCOMPARE(QFileInfo::exists(path), !content.isNull());
        if (!content.isNull()) QCOMPARE(readAll(path), content);
    }

    void missingTableOrColumnGivesTheEngineText_data() {
        QTest::addColumn<QString>("change");  // run on a store made from the real schema
        QTest::addColumn<QString>("said");
        const QString row = "INSERT INTO tasksequence VALUES (1, 'Audit', NULL, 1, 1);";
        QTest::newRow("no tasksequence table") << "DROP TABLE tasksequence;"
                                               << "no such table: tasksequence";
        QTest::newRow("no task table") << row + "DROP TABLE task;"
                                       << "no such table: task";
        QTest::newRow("no _config table") << row + "DROP TABLE _config;"
                                          << "no such table: _config";
        QTest::newRow("no DISPLAYORDER column")
            << "ALTER TABLE tasksequence DROP COLUMN DISPLAYORDER;"
            << "no such column: DISPLAYORDER";
    }
    void missingTableOrColumnGivesTheEngineText() {
        QFETCH(QString, change);
        QFETCH(QString, said);
        TempStore file(change.toStdString());
        MessageBoxes::Recorder messages;
        const StartupCheck::Result r = StartupCheck::start(QString::fromStdString(file.path()));
        QVERIFY(!r.window);
        QVERIFY(r.status != 0);
        QVERIFY2(r.message.contains(said), qPrintable(r.message));
        QCOMPARE(messages.shown().size(), 1);
    }

    void goodStoreOpensTheWindow() {
        TempStore file("INSERT INTO tasksequence VALUES (1, 'Audit', NULL, 1, 1);");
        MessageBoxes::Recorder messages;
        const StartupCheck::Result r = StartupCheck::start(QString::fromStdString(file.path()));
        QVERIFY(r.window);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.message, QString());
        QCOMPARE(messages.shown().size(), 0);
        QCOMPARE(r.window->nodeCount(), 1);
    }

    // The real program beside no store: it says so and ends, and leaves no db.mdb behind.
    void programEndsOnMissingStore() {
        QTemporaryDir dir;
        const QString program = dir.path() + "/nightaudit";
        QVERIFY(QFile::copy(QStringLiteral(NIGHTAUDIT_BINARY_DIR "/nightaudit"), program));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(program, {});
        QVERIFY(p.waitForStarted());
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            QFAIL("the program did not end");
        }
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
