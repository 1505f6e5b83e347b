// The journal beside the store and the notice label, through the real main window and
// wiring on the fake desktop: the lines of whole runs, the texts that must never reach
// them, and journals that cannot be written.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include "WindowRig.h"
#include "platform/StopKey.h"
#include "playback/RunJournal.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// T10 plays KS1 (a text and a field) and KS3 (a pause, then a text); T11 types into a
// window that is not there.
const char* const kRows = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Cashiers', 'Front Desk', 1, 1), (11, 1, 'Lost', 'Gone Desk', 1, 2);
INSERT INTO keysequence VALUES (1, 10, 'Open', 1, NULL, 0, 0, 1), (3, 10, 'Close', 1, NULL, 0, 0, 2),
                               (2, 11, 'Gone', 1, NULL, 0, 0, 1);
INSERT INTO keys VALUES (1, 1, 1, 0, 'SECRET-1~', NULL, 0, 0), (2, 1, 2, 1, 'special1', NULL, 0, 0),
                        (3, 2, 1, 0, 'SECRET-2', NULL, 0, 0), (4, 3, 1, 4, NULL, NULL, 0, 2000),
                        (5, 3, 2, 0, 'SECRET-3', NULL, 0, 0);
)";

class PressableStopKey : public StopKey {
public:
    bool arm() override { return m_armed = true; }
    void disarm() override { m_armed = false; }
    bool pressed() override { return std::exchange(m_hit, false); }
    void press() { m_hit = m_armed; }

private:
    bool m_hit = false;
};

// The rig's window with a stop key and a waiter whose waits can act as the clerk does.
struct JournalRig : WindowRig {
    PressableStopKey* stopKey = nullptr;
    JournalRig() : WindowRig(kRows) {
        Collaborators c;
        auto fake = std::make_unique<FakeDesktop>();
        fake->addWindow("Front Desk");
        fake->addWindow("Quillmar Night Audit");
        desktop = fake.get();
        c.desktop = std::move(fake);
        auto w = std::make_unique<InstantWaiter>(window.state());
        waiter = w.get();
        c.waiter = std::move(w);
        auto k = std::make_unique<PressableStopKey>();
        stopKey = k.get();
        c.stopKey = std::move(k);
        window.setCollaborators(std::move(c));
        window.special(1)->setText("SECRET-FIELD");
    }
    QString journal() const {
        return QString::fromStdString(readFile(file.dir() + "/journal.log"));
    }
    // The journal's lines without their times.
    QStringList lines() const {
        QStringList out;
        for (const QString& l : journal().split('\n', Qt::SkipEmptyParts)) out << l.mid(20);
        return out;
    }
    QLabel* notice() const { return window.findChild<QLabel*>("Label17"); }
};

}  // namespace

class TestRunJournal : public QObject {
    Q_OBJECT
private slots:
    void linesOfARun_data() {
        QTest::addColumn<QString>("how");  // what the clerk does during the 2 s pause
        QTest::addColumn<QStringList>("lines");
        const QString start = "run started by Go on TS1 \"1- Night\"";
        // The walk starts T11 after the stop; its first key fails.
        const QStringList tail = {
            "error 1001 at key 3 (type 0): No window with the title \"Gone Desk\" was found",
            "key sequence 2 failed at key 3 (type 0)"};
        QTest::newRow("nothing") << ""
                                 << QStringList{start, "key sequence 1 played",
                                                "key sequence 3 played"} +
                                        tail + QStringList{"run ended"};
        QTest::newRow("Stop") << "stop"
                              << QStringList{start, "key sequence 1 played",
                                             "key sequence 3 stopped at key 4 (type 4)"} +
                                     tail + QStringList{"stopped by Stop", "run ended"};
        QTest::newRow("Pause") << "pause"
                               << QStringList{start, "key sequence 1 played",
                                              "key sequence 3 stopped at key 4 (type 4)"} +
                                      tail + QStringList{"stopped by the Pause key", "run ended"};
        QTest::newRow("close") << "close"
                               << QStringList{start, "key sequence 1 played",
                                              "key sequence 3 stopped at key 4 (type 4)"} +
                                      tail +
                                      QStringList{"stopped by closing the main window",
                                                  "run ended"};
    }
    void linesOfARun() {
        QFETCH(QString, how);
        QFETCH(QStringList, lines);
        JournalRig rig;
        rig.waiter->setObserver([&](std::int32_t ms) {
            if (ms != 2000) return;
            if (how == "stop") rig.window.state().bolStop = true;
            if (how == "pause") {
                rig.stopKey->press();
                QTest::qWait(120);  // the stop key is looked at every 50 ms
            }
            if (how == "close") rig.window.close();
        });
        rig.click(1);
        rig.window.cmdSend()->click();
        QCOMPARE(rig.lines(), lines);
        QVERIFY2(!rig.journal().contains("SECRET"), qPrintable(rig.journal()));
        QVERIFY(QDateTime::fromString(rig.journal().left(19), "yyyy-MM-dd HH:mm:ss").isValid());
        // The last error in full, with its time, until the next run starts.
        QVERIFY(
            rig.notice()->toolTip().endsWith("No window with the title \"Gone Desk\" was found"));
        if (how == "close") QTRY_VERIFY(!rig.window.isVisible());  // closed once the run ended
        if (how == "close") return;
        rig.click(3);
        rig.window.cmdSend()->click();
        QCOMPARE(rig.notice()->toolTip(), QString());
        QCOMPARE(rig.lines().mid(lines.size()),
                 (QStringList{"run started by Go on KS1 \"1- Open\"", "key sequence 1 played",
                              "run ended"}));
    }

    void triggerIsNamed_data() {
        QTest::addColumn<bool>("singleClick");
        QTest::addColumn<QString>("line");
        QTest::newRow("single-click") << true << "run started by a single-click on KS1 \"1- Open\"";
        QTest::newRow("Next") << false << "run started by Next on KS1 \"1- Open\"";
    }
    void triggerIsNamed() {
        QFETCH(bool, singleClick);
        QFETCH(QString, line);
        JournalRig rig;
        rig.window.Check1()->setChecked(singleClick);
        rig.click(singleClick ? 3 : 2);
        if (!singleClick) {
            rig.window.cmdSend()->click();
            rig.window.command(8)->click();
        }
        QVERIFY2(rig.lines().contains(line), qPrintable(rig.journal()));
    }

    // A journal that cannot be written: the run plays all the same and Label17 says so once.
    void unwritableJournal_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("journal.log is a folder") << "folder";
        QTest::newRow("disk full") << "full";
        QTest::newRow("read-only folder") << "immutable";
    }
    void unwritableJournal() {
        QFETCH(QString, fault);
        JournalRig rig;
        const QString dir = rig.file.dir();
        if (fault == "folder") QVERIFY(QDir(dir).mkdir("journal.log"));
        if (fault == "full") QVERIFY(QFile::link("/dev/full", dir + "/journal.log"));
        if (fault == "immutable" && QProcess::execute("chattr", {"+i", dir}) != 0)
            QSKIP("this file system has no immutable attribute");
        rig.click(3);
        rig.window.cmdSend()->click();
        if (fault == "immutable") QProcess::execute("chattr", {"-i", dir});
        QCOMPARE(
            rig.record(),
            std::string("activate(Front Desk) activate(Front Desk) keys(SECRET-1~) "
                        "activate(Front Desk) keys(SECRET-FIELD) activate(Quillmar Night Audit) "));
        QCOMPARE(rig.notice()->toolTip().count("cannot be written"), 1);
        QVERIFY(rig.notice()->text().contains("journal"));
    }

    void rotatesPastTheLimit() {
        JournalRig rig;
        const QByteArray old(RunJournal::kRotateBytes + 1, 'x');
        QFile f(rig.file.dir() + "/journal.log");
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
        f.close();
        rig.click(3);
        rig.window.cmdSend()->click();
        QCOMPARE(QByteArray::fromStdString(readFile(rig.file.dir() + "/journal.log.1")), old);
        QCOMPARE(rig.lines().size(), 3);
    }
};

QTEST_MAIN(TestRunJournal)
#include "TestRunJournal.moc"
