// A store that others can change is shown but not run; `check` says so too.
#include <QPushButton>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "storetool/StoreCommands.h"
#include "support/WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

class TestStorePermissions : public QObject {
    Q_OBJECT

private slots:
    // The modes of db.mdb and its folder, its owner (-1: unchanged) and the fix the refusal
    // names ("" when Go runs).
    void goOnAStoreOthersCanWrite_data() {
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("owner");
        QTest::addColumn<QString>("fix");
        QTest::newRow("own") << 0644 << 0700 << -1 << "";
        QTest::newRow("sticky shared folder") << 0600 << 01777 << -1 << "";
        QTest::newRow("world-writable store") << 0666 << 0755 << -1 << "chmod o-w %1/db.mdb";
        QTest::newRow("world-writable folder") << 0644 << 0777 << -1 << "chmod o-w %1";
        QTest::newRow("another user's store") << 0644 << 0700 << 4242 << "chown %2 %1/db.mdb";
    }
    void goOnAStoreOthersCanWrite() {
        QFETCH(int, fileMode);
        QFETCH(int, folderMode);
        QFETCH(int, owner);
        QFETCH(QString, fix);
        if (owner >= 0 && geteuid() != 0) QSKIP("giving a file away needs root");
        WindowRig rig;
        const QString dir = rig.file.dir();
        const std::string path = rig.file.path();
        QCOMPARE(chmod(path.c_str(), static_cast<mode_t>(fileMode)), 0);
        QCOMPARE(chmod(dir.toLocal8Bit().constData(), static_cast<mode_t>(folderMode)), 0);
        if (owner >= 0) QCOMPARE(chown(path.c_str(), static_cast<uid_t>(owner), -1), 0);
        rig.click(3);
        rig.window.controls().go->click();
        fix = fix.arg(dir, QString::fromLocal8Bit(getpwuid(geteuid())->pw_name));
        if (fix.isEmpty()) {
            QVERIFY2(rig.messages().isEmpty(), qPrintable(rig.messages().join('\n')));
            QCOMPARE(rig.record(),
                     "activate(Front Desk) activate(Front Desk) keys(a) "
                     "activate(Quillmar Night Audit) ");
            QCOMPARE(QFileInfo(dir + "/journal.log").permissions(),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        } else {
            QCOMPARE(rig.messages().size(), 1);
            QVERIFY2(rig.messages()[0].contains(QString::fromStdString(path)) &&
                         rig.messages()[0].endsWith("\n    " + fix),
                     qPrintable(rig.messages()[0]));
            QCOMPARE(rig.record(), "");
            std::ostringstream out, err;  // `nightaudit-store check` names the same fix
            runStoreCommand({"check", QString::fromStdString(path)}, "unused", out, err);
            QVERIFY2(out.str().find("\n    fix: " + fix.toStdString() + "\n") != std::string::npos,
                     out.str().c_str());
        }
    }
};

QTEST_MAIN(TestStorePermissions)
#include "TestStorePermissions.moc"
