// The journal beside the store and the notice label Label17, through the real main window
// and wiring on the fake desktop.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include "support/WindowRig.h"
#include "playback/RunJournal.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// T10 plays KS1 (a text, a field) and KS3 (a 2 s pause, a text); T11 types into a window
// that is not there. Tree: TS1 1, T10 2, KS1 3, KS3 4, T11 5, KS2 6.
const char* const kRows = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Cashiers', 'Front Desk', 1, 1), (11, 1, 'Lost', 'Gone Desk', 1, 2);
INSERT INTO keysequence VALUES (1, 10, 'Open', 1, NULL, 0, 0, 1), (3, 10, 'Close', 1, NULL, 0, 0, 2),
                               (2, 11, 'Gone', 1, NULL, 0, 0, 1);
INSERT INTO keys VALUES (1, 1, 1, 0, 'SECRET-1~', NULL, 0, 0), (2, 1, 2, 1, 'special1', NULL, 0, 0),
                        (3, 2, 1, 0, 'SECRET-2', NULL, 0, 0), (4, 3, 1, 4, NULL, NULL, 0, 2000),
                        (5, 3, 2, 0, 'SECRET-3', NULL, 0, 0);
)";

// Go on a node; the journal's lines without their times.
QStringList runAndRead(WindowRig& rig, int node) {
    rig.window.special(1)->setText("SECRET-FIELD");
    rig.click(node);
    rig.window.cmdSend()->click();
    QStringList lines;
    for (const QString& line : QString::fromStdString(readFile(rig.file.dir() + "/journal.log"))
                                   .split('\n', Qt::SkipEmptyParts)) {
        if (!QDateTime::fromString(line.left(19), "yyyy-MM-dd HH:mm:ss").isValid()) return {line};
        if (line.contains("SECRET")) return {"a keystroke text or field value: " + line};
        lines << line.mid(20);
    }
    return lines;
}

QLabel* notice(const WindowRig& rig) {
    return rig.window.findChild<QLabel*>("Label17");
}

}  // namespace

class TestRunJournal : public QObject {
    Q_OBJECT
private slots:
    // The stop key's line is checked end to end (test_slow_targets_e2e).
    void linesOfARun_data() {
        QTest::addColumn<QString>("how");  // what the clerk does during the 2 s pause
        QTest::addColumn<QString>("stop");
        QTest::newRow("nothing") << ""
                                 << "";
        QTest::newRow("Stop") << "stop"
                              << "stopped by Stop\n";
        QTest::newRow("close") << "close"
                               << "stopped by closing the main window\n";
    }
    void linesOfARun() {
        QFETCH(QString, how);
        QFETCH(QString, stop);
        WindowRig rig(kRows);
        rig.waiter->setObserver([&](std::int32_t ms) {
            if (ms == 2000 && how == "stop") rig.window.state().bolStop = true;
            if (ms == 2000 && how == "close") rig.window.close();
        });
        // After a stop the walk still starts T11, whose first key fails.
        const QString expected =
            "run started by Go on TS1 \"1- Night\"\nkey sequence 1 played\n" +
            QString(how.isEmpty() ? "key sequence 3 played\n"
                                  : "key sequence 3 stopped at key 4 (type 4)\n") +
            "error 1001 at key 3 (type 0): No window with the title \"Gone Desk\" "
            "was found\nkey sequence 2 failed at key 3 (type 0)\n" +
            stop + "run ended";
        QCOMPARE(runAndRead(rig, 1).join('\n'), expected);
        QVERIFY(
            notice(rig)->toolTip().endsWith("No window with the title \"Gone Desk\" was found"));
        if (how == "close") QTRY_VERIFY(!rig.window.isVisible());  // once the run has ended
        if (how == "close") return;
        // The next run (Next: T10) clears the notice and appends its own lines. Next keeps
        // the caption, which the main window's activation at the end then looks for.
        rig.desktop->addWindow(rig.window.caption().toStdString());
        rig.window.command(8)->click();
        QCOMPARE(notice(rig)->toolTip(), QString());
        QCOMPARE(
            runAndRead(rig, 3).mid(expected.count('\n') + 1, 2),
            (QStringList{"run started by Next on T10 \"1- Cashiers\"", "key sequence 1 played"}));
    }

    // A journal that cannot be written: the run plays all the same and Label17 says so
    // once. One past its limit is moved aside first.
    void journalFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("problems");
        QTest::newRow("journal.log is a folder") << "folder" << 1;
        QTest::newRow("disk full") << "full" << 1;
        QTest::newRow("read-only folder") << "immutable" << 1;
        QTest::newRow("past 1 MiB") << "big" << 0;
    }
    void journalFile() {
        QFETCH(QString, fault);
        QFETCH(int, problems);
        WindowRig rig(kRows);
        const QString dir = rig.file.dir();
        const QByteArray old(RunJournal::kRotateBytes + 1, 'x');
        QFile big(dir + "/journal.log");
        if (fault == "big") QVERIFY(big.open(QIODevice::WriteOnly) && big.write(old) == old.size());
        big.close();
        if (fault == "folder") QVERIFY(QDir(dir).mkdir("journal.log"));
        if (fault == "full") QVERIFY(QFile::link("/dev/full", dir + "/journal.log"));
        if (fault == "immutable" && QProcess::execute("chattr", {"+i", dir}) != 0)
            QSKIP("this file system has no immutable attribute");
        rig.window.special(1)->setText("F");
        rig.click(3);
        rig.window.cmdSend()->click();
        if (fault == "immutable") QProcess::execute("chattr", {"-i", dir});
        QCOMPARE(rig.record(),
                 std::string("activate(Front Desk) activate(Front Desk) keys(SECRET-1~) "
                             "activate(Front Desk) keys(F) activate(Quillmar Night Audit) "));
        QCOMPARE(notice(rig)->toolTip().count("journal.log cannot be written"), problems);
        if (fault == "big")
            QCOMPARE(QByteArray::fromStdString(readFile(dir + "/journal.log.1")), old);
        if (fault == "big") QVERIFY(QFile(dir + "/journal.log").size() < 1000);  // a new file
    }
};

QTEST_MAIN(TestRunJournal)
#include "TestRunJournal.moc"
