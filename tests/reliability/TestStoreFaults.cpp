#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <fcntl.h>
#include <unistd.h>

#include <map>

#include "StoreFixture.h"
#include "core/Error.h"
#include "editor/dlgEdit.h"
#include "playback/PlaybackHost.h"
#include "store/Statements.h"
#include "store/TaskStore.h"
#include "teach/TeachMode.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// Makes a file refuse writes while the guard lives. Modes stop only other users:
// these tests run as root too, so root gets the immutable attribute, under which
// even root's open for writing fails (EPERM) and SQLite opens the file read-only,
// just as it does for a clerk whose db.mdb is mode 0444.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path) : m_path(path) {
        if (geteuid() == 0) {
            m_immutable = QProcess::execute(QStringLiteral("chattr"), {"+i", m_path}) == 0;
        } else {
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }
    ~ReadOnlyFile() {
        if (m_immutable) QProcess::execute(QStringLiteral("chattr"), {"-i", m_path});
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    }
    // True when an open for writing really fails.
    bool holds() const {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR);
        if (fd >= 0) ::close(fd);
        return fd < 0;
    }

private:
    QString m_path;
    bool m_immutable = false;
};

// The helper that plays another program on the same store.
QProcess* startWriter(QObject* parent, const QStringList& args, const char* firstLine) {
    auto* p = new QProcess(parent);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QStringLiteral(NIGHTAUDIT_STORE_WRITER), args);
    if (!p->waitForStarted(5000)) qFatal("the store writer did not start");
    while (!p->canReadLine() && p->waitForReadyRead(5000)) {
    }
    const QByteArray line = p->readLine().trimmed();
    if (line != firstLine) qFatal("the store writer said \"%s\"", line.constData());
    return p;
}

struct KeyRow {
    QString text;
    qint64 wait = 0;
    qint64 type = 0;
};

std::map<int, KeyRow> keyRows(const TempStore& db) {
    SQLite::Database c(db.path(), SQLite::OPEN_READONLY);
    SQLite::Statement q(c, "SELECT keysid, keytext, waitafter, keytype FROM keys");
    std::map<int, KeyRow> rows;
    while (q.executeStep()) {
        rows[q.getColumn(0).getInt()] = {QString::fromStdString(q.getColumn(1).getString()),
                                         q.getColumn(2).getInt64(), q.getColumn(3).getInt64()};
    }
    return rows;
}

// Everything the writer never touches, so it must come through every kill unchanged.
std::string untouchedByWriter(const TempStore& db) {
    return db.dump("SELECT * FROM _config") + db.dump("SELECT * FROM tasksequence") +
           db.dump("SELECT * FROM task") + db.dump("SELECT * FROM keysequence") +
           db.dump("SELECT keysid, KEYSEQUENCEID, KEYORDER, keypurpose, waitbefore FROM keys");
}

}  // namespace

class TestStoreFaults : public QObject {
    Q_OBJECT
private slots:
    void readOnlyStoreRefusesTeachAndUpdate() {
        TempStore db(kStoreRows);
        const std::string before = wholeStore(db);
        const QString file = QString::fromStdString(db.path());
        {
            ReadOnlyFile guard(file);
            if (!guard.holds()) QSKIP("this file system cannot make the store read-only");
            TaskStore store(db.path());

            QTimer timer;
            QLineEdit count(QStringLiteral("15"));
            PlaybackState state;
            state.intKeySequenceID = 5;
            TeachMode teach(timer, count, store, state);
            try {
                teach.teachTask();
                QFAIL("Teach Task wrote to a read-only store");
            } catch (const Error& e) {
                QCOMPARE(e.number(), err::Store + 8);  // SQLITE_READONLY
                QVERIFY2(e.description().starts_with("The task store is read-only"), e.what());
            }

            dlgEdit dialog(store, 5);  // reading still works
            QStringList told;
            dialog.setMessenger([&told](QWidget*, const QString& text) { told << text; });
            auto* list = dialog.findChild<QListWidget*>(QStringLiteral("lstKeys"));
            QCOMPARE(list->count(), 3);
            list->setCurrentRow(0);
            dialog.lstKeys_Click();
            dialog.findChild<QLineEdit*>(QStringLiteral("dfsKeyText"))
                ->setText(QStringLiteral("new"));
            dialog.Command2_Click();
            QCOMPARE(told.size(), 1);
            QVERIFY2(told[0].startsWith(
                         QLatin1String("The key was not changed: The task store is read-only")),
                     qPrintable(told[0]));
            QVERIFY(dialog.result() != QDialog::Accepted);  // it stays open to try again
        }
        QCOMPARE(wholeStore(db), before);
        QVERIFY(!QFile::exists(file + "-journal"));
    }

    void lockedStoreWaitsThenSaysBusy_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("immediate") << "IMMEDIATE";
        QTest::newRow("exclusive") << "EXCLUSIVE";
    }
    void lockedStoreWaitsThenSaysBusy() {
        QFETCH(QString, kind);
        TempStore db(kStoreRows);
        const std::string before = wholeStore(db);
        TaskStore store(db.path(), 300);  // opened first, as the program holds it open all night
        QProcess* other =
            startWriter(this, {"hold", QString::fromStdString(db.path()), kind}, "locked");
        for (const std::string& sql :
             {statements::keyUpdate("new", "1", "0", 1), statements::teachUpdate("9000", 5)}) {
            QElapsedTimer waited;
            waited.start();
            try {
                store.execute(sql);
                QFAIL("an update went through a store another program holds");
            } catch (const Error& e) {
                QCOMPARE(e.number(), err::Store + 5);  // SQLITE_BUSY
                QVERIFY2(e.description().starts_with("The task store is busy"), e.what());
            }
            // It waited for the other program, but not for ever.
            QVERIFY2(waited.elapsed() >= 250 && waited.elapsed() < 5000,
                     qPrintable(QString::number(waited.elapsed())));
        }

        other->closeWriteChannel();  // the other program rolls back and ends
        QVERIFY(other->waitForFinished(5000));
        QCOMPARE(other->exitCode(), 0);
        QCOMPARE(wholeStore(db), before);  // neither its half update nor ours

        QCOMPARE(store.execute(statements::keyUpdate("new", "1", "0", 1)), 1);  // the store goes on
        QCOMPARE(keyRows(db)[1].text, QString("new"));
    }

    // A writer killed at random moments: each time the file must check out and every
    // key must hold its first value or one whole update, never part of one; and an
    // update that was committed before a kill is never lost by a later one.
    void killedWriterLeavesWholeRows() {
        TempStore db(kStoreRows);
        const std::string untouched = untouchedByWriter(db);
        const std::map<int, KeyRow> first = keyRows(db);
        std::map<int, qint64> lastRound;  // per key, the round it last showed
        int changedKeys = 0;
        int hotJournals = 0;  // kills that landed inside a write

        for (int kill = 0; kill < 6; ++kill) {
            // Each writer counts on from above its predecessor's rounds (a few thousand at most).
            QProcess* writer = startWriter(
                this,
                {"loop", QString::fromStdString(db.path()), QString::number(kill * 100000 + 1)},
                "ready");
            const int afterMs = QRandomGenerator::global()->bounded(20, 250);
            QThread::msleep(static_cast<unsigned long>(afterMs));
            writer->kill();  // SIGKILL
            QVERIFY(writer->waitForFinished(5000));
            QCOMPARE(writer->exitStatus(), QProcess::CrashExit);
            const QString at = QStringLiteral("kill %1 after %2 ms").arg(kill).arg(afterMs);

            const QFileInfo journal(QString::fromStdString(db.path()) + "-journal");
            if (journal.exists() && journal.size() > 0) ++hotJournals;
            {
                SQLite::Database c(db.path(), SQLite::OPEN_READWRITE);  // rolls a hot journal back
                QCOMPARE(QString::fromStdString(c.execAndGet("PRAGMA integrity_check").getString()),
                         QString("ok"));
            }
            QCOMPARE(untouchedByWriter(db), untouched);

            changedKeys = 0;
            for (const auto& [id, row] : keyRows(db)) {
                const KeyRow& was = first.at(id);
                qint64 round = 0;
                if (id == 6) {  // taught only: text and type stay, the wait is whole seconds
                    QCOMPARE(row.text, was.text);
                    QCOMPARE(row.type, was.type);
                    if (row.wait != was.wait) {
                        QVERIFY2(row.wait % 1000 == 0 && row.wait >= 1000, qPrintable(at));
                        round = row.wait / 1000;
                    }
                } else if (row.text != was.text || row.wait != was.wait || row.type != was.type) {
                    round = row.wait;
                    const QString expected = QStringLiteral("k%1-%2").arg(id).arg(round);
                    QVERIFY2(row.text == expected && round % 5 + 1 == id && row.type == round % 13,
                             qPrintable(at + ": key " + QString::number(id) + " holds " + row.text +
                                        " " + QString::number(row.wait) + " " +
                                        QString::number(row.type)));
                }
                QVERIFY2(round >= lastRound[id], qPrintable(at + ": a committed update was lost"));
                lastRound[id] = round;
                if (round > 0) ++changedKeys;
            }
            delete writer;
        }
        QVERIFY2(changedKeys > 0, "the writer never got an update through");
        qInfo("%d of 6 kills left a journal to roll back", hotJournals);
    }
};

QTEST_MAIN(TestStoreFaults)
#include "TestStoreFaults.moc"
