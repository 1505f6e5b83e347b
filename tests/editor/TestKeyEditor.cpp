#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "core/NodeKey.h"
#include "editor/dlgEdit.h"
#include "store/TaskStore.h"
#include "support/TempStore.h"

using namespace nightaudit;
using nightaudit::test::TempStore;

namespace {

const char* kKeys = R"(
INSERT INTO keys VALUES
 (17, 5, 1, 0, '{TAB}{TAB}', NULL, 0, 250),
 (18, 5, 2, 12, 'x', NULL, 0, NULL),
 (19, 5, 3, 0, 'Night Audit Report', 'note', 100, 900),
 (20, 5, 4, 0, 'trailing  ', NULL, 0, 5),
 (21, 5, 5, 2, NULL, NULL, 0, 0),
 (30, 6, 1, 0, 'other', NULL, 0, 7);
)";

const std::string kAllKeys = "select * from keys order by keysid";

struct Rig {
    TempStore db{kKeys};
    TaskStore store{db.path()};
    dlgEdit dialog{store, 5};
    QStringList told;
    std::string before = db.dump(kAllKeys);

    Rig() {
        dialog.setMessenger([this](QWidget*, const QString& text) { told << text; });
    }
    QListWidget* list() { return dialog.findChild<QListWidget*>("lstKeys"); }
    QLineEdit* box(const char* name) { return dialog.findChild<QLineEdit*>(name); }
    void pick(int row) {
        list()->setCurrentRow(row);
        list()->item(row)->setSelected(true);
    }
    void fill(const QString& text, const QString& type, const QString& wait) {
        box("dfsKeyText")->setText(text);
        box("dfsKeyType")->setText(type);
        box("dfnWaitAfter")->setText(wait);
    }
};

}  // namespace

class TestKeyEditor : public QObject {
    Q_OBJECT
private slots:
    void listsOneLinePerKeyInKeyOrder() {
        Rig r;
        QCOMPARE(r.dialog.windowTitle(), QString("Edit Keys"));
        QStringList lines;
        QList<int> ids;
        for (int i = 0; i < r.list()->count(); ++i) {
            lines << r.list()->item(i)->text();
            ids << r.list()->item(i)->data(Qt::UserRole).toInt();
        }
        QCOMPARE(lines, QStringList({"{TAB}{TAB} 0", "x 12", "Night Audit Report 0", "trailing   0",
                                     " 2"}));
        QCOMPARE(ids, QList<int>({17, 18, 19, 20, 21}));
        // Shown, with the list taking the focus (which makes its first line current):
        // still no line selected and every box empty.
        r.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r.dialog));
        r.list()->setFocus();
        for (const char* name : {"dfsKeyText", "dfsKeyType", "dfnWaitAfter"}) {
            QVERIFY(r.box(name)->text().isEmpty());
        }
        QVERIFY(r.list()->selectedItems().isEmpty());
    }

    void clickSplitsAtTheLastSpace_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("wait");
        QTest::newRow("two tabs") << 0 << "{TAB}{TAB}"
                                  << "0"
                                  << "250";
        QTest::newRow("type 12, null wait") << 1 << "x"
                                            << "12"
                                            << "";
        QTest::newRow("inner spaces kept") << 2 << "Night Audit Report"
                                           << "0"
                                           << "900";
        QTest::newRow("trailing spaces lost") << 3 << "trailing"
                                              << "0"
                                              << "5";
        QTest::newRow("null text") << 4 << ""
                                   << "2"
                                   << "0";
    }
    void clickSplitsAtTheLastSpace() {
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QString, type);
        QFETCH(QString, wait);
        Rig r;
        r.pick(row);
        QCOMPARE(r.box("dfsKeyText")->text(), text);
        QCOMPARE(r.box("dfsKeyType")->text(), type);
        QCOMPARE(r.box("dfnWaitAfter")->text(), wait);
    }

    void updateChangesExactlyOneRow() {
        Rig r;
        r.pick(0);
        r.fill("don't", "1", "500");
        r.dialog.Command2_Click();
        QVERIFY(r.told.isEmpty());
        QCOMPARE(r.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(r.db.dump(kAllKeys), std::string("17|5|1|1|don't|<null>|0|500\n") +
                                          r.before.substr(r.before.find('\n') + 1));
    }

    void changingOnlyTheTextKeepsTheWait() {
        Rig r;
        r.pick(2);
        r.box("dfsKeyText")->setText("Night Audit Summary");
        r.dialog.Command2_Click();
        QCOMPARE(r.db.dump("select keytext, keytype, waitafter, waitbefore, keypurpose from keys "
                           "where keysid = 19"),
                 std::string("Night Audit Summary|0|900|100|note\n"));
    }

    void numbersAreWrittenAsParsed() {
        Rig r;
        r.pick(1);
        r.fill("x", " 07 ", " -20 ");
        r.dialog.Command2_Click();
        QVERIFY(r.told.isEmpty());
        QCOMPARE(
            r.db.dump("select keytype, waitafter, typeof(waitafter) from keys where keysid = 18"),
            std::string("7|-20|integer\n"));
    }

    void refusesWhatWouldBreakTheUpdate_data() {
        QTest::addColumn<bool>("select");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("wait");
        QTest::newRow("no line") << false << "a"
                                 << "0"
                                 << "1";
        QTest::newRow("empty wait") << true << "a"
                                    << "0"
                                    << "";
        QTest::newRow("words for wait") << true << "a"
                                        << "0"
                                        << "soon";
        QTest::newRow("fraction wait") << true << "a"
                                       << "0"
                                       << "1.5";
        QTest::newRow("sql in wait") << true << "a"
                                     << "0"
                                     << "0, keytext = 'x'";
        QTest::newRow("wait beyond 32 bits") << true << "a"
                                             << "0"
                                             << "3000000000";
        QTest::newRow("type 13") << true << "a"
                                 << "13"
                                 << "1";
        QTest::newRow("negative type") << true << "a"
                                       << "-1"
                                       << "1";
        QTest::newRow("empty type") << true << "a"
                                    << ""
                                    << "1";
        QTest::newRow("sql in type") << true << "a"
                                     << "0 where 1=1 --"
                                     << "1";
        QTest::newRow("newline in text") << true << "a\nb"
                                         << "0"
                                         << "1";
        QTest::newRow("unclosed brace") << true << "{F4"
                                        << "0"
                                        << "1";
        QTest::newRow("unknown key name, type 8") << true << "{NOPE}"
                                                  << "8"
                                                  << "1";
        QTest::newRow("NUL in text") << true << QString("a") + QChar(u'\0') + "b"
                                     << "0"
                                     << "1";
    }
    void refusesWhatWouldBreakTheUpdate() {
        QFETCH(bool, select);
        QFETCH(QString, text);
        QFETCH(QString, type);
        QFETCH(QString, wait);
        Rig r;
        if (select) r.pick(0);
        r.fill(text, type, wait);
        r.dialog.Command2_Click();
        QCOMPARE(r.told.size(), 1);
        QVERIFY(r.dialog.result() != QDialog::Accepted);
        QCOMPARE(r.db.dump(kAllKeys), r.before);
    }

    void closeWritesNothing() {
        Rig r;
        r.pick(0);
        r.fill("changed", "3", "1");
        r.dialog.findChild<QPushButton*>("Command1")->click();
        QCOMPARE(r.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(r.db.dump(kAllKeys), r.before);
    }

    void storeFailureKeepsTheDialogOpen() {
        Rig r;
        r.pick(0);
        r.fill("a", "0", "1");
        r.db.exec("DROP TABLE keys");
        r.dialog.Command2_Click();
        QCOMPARE(r.told.size(), 1);
        QVERIFY2(r.told.first().contains("no such table"), qPrintable(r.told.first()));
        QVERIFY(r.dialog.result() != QDialog::Accepted);
    }

    void emptyKeySequenceListsNothing() {
        TempStore db(kKeys);
        TaskStore store(db.path());
        dlgEdit dialog(store, 99);
        QCOMPARE(dialog.findChild<QListWidget*>("lstKeys")->count(), 0);
    }

    void nodeKeysThatNameAKeySequence() {
        QCOMPARE(NodeKey::parse("KS12").keySequenceId(), std::optional<std::int16_t>(12));
        QCOMPARE(NodeKey::parse("KS32767").keySequenceId(), std::optional<std::int16_t>(32767));
        QVERIFY(!NodeKey::parse("KS32768").keySequenceId());
        QVERIFY(!NodeKey::parse("T15").keySequenceId());
        QVERIFY(!NodeKey::parse("TS3").keySequenceId());
        QVERIFY(!NodeKey::parse("ks12").keySequenceId());
        QVERIFY(!NodeKey::parse("KS").keySequenceId());
    }
};

QTEST_MAIN(TestKeyEditor)
#include "TestKeyEditor.moc"
