#include <QFile>
#include <QProcess>
#include <QTest>

#include "e2e/XSession.h"
#include "support/TempStore.h"

using namespace nightaudit::test;

namespace {

const char* kRows = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1);
INSERT INTO keysequence VALUES (20, 10, 'Long text', 1, ' ', 0, 0, 1);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore, waitafter)
 VALUES (20, 1, 0, 'abcdefghij{x 300}', NULL, 0, 0), (20, 2, 1, 'special1', 'String Date', 0, 0);
)";

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

}  // namespace

// The X server goes away under a running program: it must end with a message and a
// non-zero status, not crash, and leave the store as it was.
class TestDisplayLost : public QObject {
    Q_OBJECT
private slots:
    void programEndsCleanly_data() {
        QTest::addColumn<bool>("typing");
        QTest::newRow("the main window idle (the program itself)") << false;
        QTest::newRow("a key sequence typing") << true;
    }
    void programEndsCleanly() {
        QFETCH(bool, typing);
        XSession session;
        QVERIFY2(session.start(), qPrintable(session.error()));
        const QString recorder = session.startRecorder("Front Desk");
        QVERIFY2(!recorder.isEmpty(), qPrintable(session.error()));

        TempStore store(kRows);
        const QString storePath = QString::fromStdString(store.path());
        const QByteArray before = bytesOf(storePath);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", session.display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        // Ending without unwinding is the point here, not a leak.
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        program.setProcessEnvironment(env);
        if (typing) {
            program.start(NIGHTAUDIT_BINARY_DIR "/tests/e2e/e2e_player_driver", {storePath, "20"});
        } else {
            // The program reads the store beside itself.
            QVERIFY(QFile::copy(NIGHTAUDIT_BINARY_DIR "/nightaudit", store.dir() + "/nightaudit"));
            program.start(store.dir() + "/nightaudit", {});
        }
        QVERIFY(program.waitForStarted());
        QDeadlineTimer deadline(15000);
        while (!(typing ? XSession::size(recorder) > 0
                        : session.managedTitles().contains("Quillmar Night Audit"))) {
            QVERIFY2(!deadline.hasExpired(), "the program did not get going");
            QVERIFY(program.state() == QProcess::Running);
            QTest::qWait(50);
        }

        session.killServer();
        const bool ended = program.waitForFinished(10000);
        if (!ended) program.kill();
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        qInfo().noquote() << "the program said:" << errors.trimmed();
        QVERIFY2(ended, "the program hung when the display went away");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);  // no crash, no core
        QVERIFY2(program.exitCode() != 0, qPrintable(errors));
        QVERIFY2(errors.contains("connection to the X display") ||
                     errors.contains("X11 connection broke"),
                 qPrintable(errors));
        QCOMPARE(bytesOf(storePath), before);
    }
};

QTEST_GUILESS_MAIN(TestDisplayLost)
#include "TestDisplayLost.moc"
