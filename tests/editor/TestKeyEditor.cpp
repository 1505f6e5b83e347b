#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <array>

#include "editor/dlgEdit.h"
#include "store/TaskStore.h"
#include "support/TempStore.h"

using namespace nightaudit;
using nightaudit::test::TempStore;

// The key editor on key sequence 5 of a real store: what it lists, and which row an
// update changes on disk.
class TestKeyEditor : public QObject {
    Q_OBJECT

    struct Rig {
        TempStore db{
            R"(INSERT INTO keys VALUES (17, 5, 1, 0, '{TAB}{TAB}', NULL, 0, 250), (18, 5, 2, 12, 'x', NULL, 0, NULL),
 (19, 5, 3, 0, 'Night Audit Report', 'note', 100, 900), (20, 5, 4, 0, 'trailing  ', NULL, 0, 5),
 (21, 5, 5, 2, NULL, NULL, 0, 0), (30, 6, 1, 0, 'other', NULL, 0, 7);)"};
        TaskStore store{db.path()};
        dlgEdit dialog{store, 5};
        QStringList told;
        std::string before = db.wholeStore();
        Rig() {
            dialog.setMessenger([this](QWidget*, const QString& text) { told << text; });
        }
        QListWidget* list() { return dialog.findChild<QListWidget*>("lstKeys"); }
        QLineEdit* box(const char* name) { return dialog.findChild<QLineEdit*>(name); }
        QString boxes() {
            return box("dfsKeyText")->text() + "|" + box("dfsKeyType")->text() + "|" +
                   box("dfnWaitAfter")->text();
        }
        void pick(int row) {
            list()->setCurrentRow(row);
            list()->item(row)->setSelected(true);
        }
    };

private slots:
    // Each line is the text, a blank and the type; a click splits it at the last blank.
    void listsKeysInOrderAndSplitsAClickedLine() {
        Rig r;
        QStringList lines, boxes;
        for (int i = 0; i < r.list()->count(); ++i) {
            lines << r.list()->item(i)->text() + " #" +
                         r.list()->item(i)->data(Qt::UserRole).toString();
            r.pick(i);
            boxes << r.boxes();
        }
        QCOMPARE(lines, (QStringList{"{TAB}{TAB} 0 #17", "x 12 #18", "Night Audit Report 0 #19",
                                     "trailing   0 #20", " 2 #21"}));
        QCOMPARE(boxes, (QStringList{"{TAB}{TAB}|0|250", "x|12|", "Night Audit Report|0|900",
                                     "trailing|0|5", "|2|0"}));
        TaskStore store(r.db.path());
        QCOMPARE(dlgEdit(store, 99).findChild<QListWidget*>("lstKeys")->count(), 0);
    }

    void update_data() {
        QTest::addColumn<int>("row");            // -1: no line picked
        QTest::addColumn<QStringList>("typed");  // text, type, wait; null: left as shown
        QTest::addColumn<QString>("written");    // the picked row after, or null: refused
        QTest::newRow("all three")
            << 0 << QStringList{"don't", "1", "500"} << "17|5|1|1|don't|<null>|0|500";
        QTest::newRow("text only") << 2 << QStringList{"Night Audit Summary", {}, {}}
                                   << "19|5|3|0|Night Audit Summary|note|100|900";
        QTest::newRow("numbers parsed")
            << 1 << QStringList{{}, " 07 ", " -20 "} << "18|5|2|7|x|<null>|0|-20";
        // Refused, as text/type/wait typed over the first line ("-": no line picked).
        const QString nul = QString("a") + QChar(u'\0') + "b";
        for (const QString& c : QStringList{
                 "-a/0/1", "a/0/", "a/0/soon", "a/0/1.5", "a/0/0, keytext = 'x'", "a/0/3000000000",
                 "a/13/1", "a/-1/1", "a//1", "a/0 where 1=1 --/1", "a\nb/0/1", nul + "/0/1"})
            QTest::addRow("refused %s", qPrintable(c))
                << (c[0] == '-' ? -1 : 0) << c.mid(c[0] == '-').split('/') << QString();
    }
    void update() {
        QFETCH(int, row);
        QFETCH(QStringList, typed);
        QFETCH(QString, written);
        Rig r;
        if (row >= 0) r.pick(row);
        for (int i = 0; i < 3; ++i)
            if (!typed[i].isNull())
                r.box(std::array{"dfsKeyText", "dfsKeyType", "dfnWaitAfter"}[i])->setText(typed[i]);
        r.dialog.Command2_Click();
        QCOMPARE(r.told.size(), written.isNull() ? 1 : 0);
        QCOMPARE(r.dialog.result() == QDialog::Accepted, !written.isNull());
        QCOMPARE(r.db.wholeStore() == r.before, written.isNull());
        if (written.isNull()) return;
        // Exactly the picked row changed.
        std::string expected = "\n" + r.before;
        const auto at = expected.find("\n" + written.section('|', 0, 0).toStdString() + "|") + 1;
        expected.replace(at, expected.find('\n', at) - at, written.toStdString());
        QCOMPARE("\n" + r.db.wholeStore(), expected);
    }

    void closeWritesNothingAndAFailingStoreKeepsTheDialogOpen() {
        Rig r;
        r.pick(0);
        r.box("dfsKeyText")->setText("changed");
        r.dialog.findChild<QPushButton*>("Command1")->click();
        QCOMPARE(r.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(r.db.wholeStore(), r.before);
        r.db.exec("DROP TABLE keys");
        r.dialog.Command2_Click();
        QCOMPARE(r.told.size(), 1);
        QVERIFY2(r.told.first().contains("no such table"), qPrintable(r.told.first()));
        QVERIFY(r.dialog.result() != QDialog::Accepted);
    }
};

QTEST_MAIN(TestKeyEditor)
#include "TestKeyEditor.moc"
