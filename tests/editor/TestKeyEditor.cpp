#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "editor/KeyEditor.h"
#include "playback/PlaybackState.h"
#include "store/TaskStore.h"
#include "support/ErrorOf.h"
#include "support/TempStore.h"
#include "teach/TeachMode.h"

using namespace nightaudit;

// The key editor on key sequence 5 of a real store: its list, and the rows an update changes;
// and Teach Task, the other way the clerk changes keys from the window.
class TestKeyEditor : public QObject {
    Q_OBJECT

    // `untypedKeysid`: none, the store as below; else a store whose keys table is untyped,
    // with one key of key sequence 5 whose keysid is that SQL value and a key 2 of another
    // key sequence, the one a lenient reading of "2x" or 2.5 would overwrite.
    struct Rig {
        explicit Rig(const QString& untypedKeysid)
            : db(untypedKeysid.isEmpty()
                     ? R"(INSERT INTO keys VALUES (17, 5, 1, 0, '{TAB}{TAB}', NULL, 0, 250),
 (18, 5, 2, 12, 'x', NULL, 0, NULL), (19, 5, 3, 0, 'Night Audit Report', 'note', 100, 900),
 (20, 5, 4, 0, 'trailing  ', NULL, 0, 5), (21, 5, 5, 2, NULL, NULL, 0, 0), (30, 6, 1, 0, 'other', NULL, 0, 7);)"
                     : R"(DROP TABLE keys; CREATE TABLE keys (keysid, KEYSEQUENCEID, KEYORDER, keytype,
 keytext, keypurpose, waitbefore, waitafter); INSERT INTO keys (keysid) VALUES ()" +
                           untypedKeysid.toStdString() + R"(); UPDATE keys SET KEYSEQUENCEID = 5,
 KEYORDER = 1, keytype = 0, keytext = 'old', waitbefore = 0, waitafter = 0;
 INSERT INTO keys VALUES (2, 6, 1, 0, 'victim', NULL, 0, 0);)") {
            dialog.setMessenger([this](QWidget*, const QString& t) { told << t; });
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog)) qFatal("the key editor was not shown");
        }
        test::TempStore db;
        TaskStore store{db.path()};
        KeyEditor dialog{store, 5};
        QStringList told;
        std::string before = db.wholeStore();
    };

private slots:
    // "line: text/type/wait" typed over the picked line (-: none picked; ~: left as the
    // click split the line, text and type at the last blank; close: Close pressed)
    // " => " the row written; without it, nothing written. A row with a keysid runs on
    // the untyped store: only a whole number names the key to write.
    void update_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("keysid");
        for (const QString& c :
             QStringList{"0: don't/1/500 => 17|5|1|1|don't|<null>|0|500",
                         "1: ~/ 07 / -20  => 18|5|2|7|x|<null>|0|-20",
                         "3: ~/~/~ => 20|5|4|0|trailing|<null>|0|5",
                         "2: Night Audit Summary/~/~ => 19|5|3|0|Night Audit Summary|note|100|900",
                         "-: a/0/1", "0: changed/~/~/close", "0: a/0/0, keytext = 'x'",
                         "0: a/0/3000000000", "0: a/13/1", "0: {F4/0/1", "0: {NOPE}/8/1",
                         "0: a\nb/0/1", QString("0: a") + QChar(0) + "b/0/1"})
            QTest::newRow(qPrintable(c.section(" => ", 0, 0))) << c << QString();
        for (const char* keysid : {"'2x'", "2.5", "NULL", "'2'", "17), (17", "17"})
            QTest::newRow(keysid) << QString(keysid == QString("17")
                                                 ? "0: new/0/9 => 17|5|1|0|new|<null>|0|9"
                                                 : "0: new/0/9")
                                  << keysid;
    }
    void update() {
        QFETCH(QString, typed);
        QFETCH(QString, keysid);
        const QString written = typed.section(" => ", 1);
        typed = typed.section(" => ", 0, 0);
        Rig r(keysid);
        auto* list = r.dialog.findChild<QListWidget*>("lstKeys");
        if (typed[0] != '-') {  // a click on the line, as the clerk picks a key
            QListWidgetItem* line = list->item(typed.left(1).toInt());
            list->scrollToItem(line);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(line).center());
        }
        const QStringList boxes = typed.mid(3).split('/');
        const char* const names[] = {"dfsKeyText", "dfsKeyType", "dfnWaitAfter"};
        for (int i = 0; i < 3; ++i)
            if (boxes[i] != "~") r.dialog.findChild<QLineEdit*>(names[i])->setText(boxes[i]);
        boxes.size() > 3 ? r.dialog.findChild<QPushButton*>("Command1")->click()
                         : r.dialog.applyUpdate();
        QCOMPARE(r.told.size(), written.isEmpty() && boxes.size() == 3 ? 1 : 0);
        QCOMPARE(r.dialog.result() == QDialog::Accepted, !written.isEmpty());
        std::string expected = "\n" + r.before;
        const auto at = expected.find("\n" + written.section('|', 0, 0).toStdString() + "|") + 1;
        if (!written.isEmpty())
            expected.replace(at, expected.find('\n', at) - at, written.toStdString());
        QCOMPARE("\n" + r.db.wholeStore(), expected);
    }

    // A tick adds one to a number, keeps its fraction, else starts from 1; Teach Task writes
    // the count to every last key (two in key sequence 12), or refuses and writes none.
    void stopwatchAndTeach() {
        test::TempStore db(R"(INSERT INTO keys VALUES (1, 12, 1, 0, 'a', NULL, 0, 100),
        (2, 12, 5, 0, 'b', NULL, 0, 200), (3, 12, 5, 0, 'c', NULL, 0, 300), (4, 13, 9, 0, 'd', NULL, 0, 400))");
        TaskStore store(db.path());
        QTimer timer;
        QLineEdit count(QStringLiteral("9"));
        PlaybackState state;
        TeachMode teach(timer, count, store, state);
        teach.toggleStopwatch();
        QString seen = count.text() + (timer.isActive() ? " on " : " off ");
        for (const char* text : {"7", "2.5", " 4 ", "abc", "12s", "1.5"})  // one tick each
            seen += (count.setText(text), teach.tick(), count.text() + ' ');
        teach.toggleStopwatch();
        seen += (timer.isActive() ? "on " : "off ") + QString::number(teach.teachTask());
        state.keySequenceId = 12;
        seen += ' ' + QString::number(teach.teachTask());
        QCOMPARE(seen, QStringLiteral("1 on 8 3.5 5 1 1 2.5 off 0 2"));
        for (const auto& [text, number] : {std::pair{"1; drop table keys", err::TypeMismatch},
                                           {"-5", err::TypeMismatch},
                                           {"9999999999", err::Overflow}}) {
            count.setText(text);
            QCOMPARE(test::errorOf([&] { teach.teachTask(); }).number, number);
        }
        QCOMPARE(db.dump("SELECT waitafter FROM keys ORDER BY keysid"), "100\n2500\n2500\n400\n");
    }
};

QTEST_MAIN(TestKeyEditor)
#include "TestKeyEditor.moc"
