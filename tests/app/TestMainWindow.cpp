#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/MessageBoxes.h"
#include "app/TaskTree.h"
#include "app/dlgMain.h"
#include "core/Error.h"
#include "core/Twips.h"
#include "support/TempStore.h"

using namespace nightaudit;
using nightaudit::test::TempStore;

namespace {

// Saturday 5 December 2026, 08:00: the audit day is that Saturday.
dlgMain::Clock fixedClock(QDateTime at = QDateTime(QDate(2026, 12, 5), QTime(8, 0))) {
    return [at] { return at; };
}

int screenHeightTwips() {
    return pixelsToTwips(QGuiApplication::primaryScreen()->geometry().height());
}

std::string demoRows() {
    return test::readFile(QStringLiteral(NIGHTAUDIT_DATA_DIR "/demo.sql"));
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startingHeight_data() {
        QTest::addColumn<QString>("configRows");
        QTest::addColumn<int>("height");
        const int designed = dlgMain::kDesignedHeightTwips;
        QTest::newRow("6000") << "INSERT INTO _config VALUES ('STARTINGHEIGHT', '6000');" << 6000;
        QTest::newRow("no row") << "" << designed;
        QTest::newRow("7500 words")
            << "INSERT INTO _config VALUES ('STARTINGHEIGHT', '7500 words');" << 7500;
        QTest::newRow("number column")
            << "INSERT INTO _config VALUES ('STARTINGHEIGHT', 4500);" << 4500;
        QTest::newRow("0 keeps the design")
            << "INSERT INTO _config VALUES ('STARTINGHEIGHT', '0');" << designed;
        QTest::newRow("negative keeps the design")
            << "INSERT INTO _config VALUES ('STARTINGHEIGHT', '-50');" << designed;
        QTest::newRow("no number keeps the design")
            << "INSERT INTO _config VALUES ('STARTINGHEIGHT', 'tall');" << designed;
        QTest::newRow("Null keeps the design")
            << "INSERT INTO _config VALUES ('STARTINGHEIGHT', NULL);" << designed;
        QTest::newRow("other entries ignored")
            << "INSERT INTO _config VALUES ('startheight', '5000');" << designed;
    }
    void startingHeight() {
        QFETCH(QString, configRows);
        QFETCH(int, height);
        TempStore file(configRows.toStdString() +
                       "INSERT INTO tasksequence VALUES (1, 'Audit', NULL, 1, 1);");
        dlgMain w(QString::fromStdString(file.path()), fixedClock());
        w.Form_Load();
        QCOMPARE(w.windowHeightTwips(), height);
        QCOMPARE(w.x(), 0);
        QCOMPARE(w.y(), twipsToPixels(screenHeightTwips() - height - 400));
        QCOMPARE(w.TreeView1()->height(), twipsToPixels(height - 600));
        QCOMPARE(w.lstLog()->height(), twipsToPixels(5715));
    }

    void treeFollowsTheWindowHeight() {
        TempStore file("INSERT INTO tasksequence VALUES (1, 'Audit', NULL, 1, 1);");
        dlgMain w(QString::fromStdString(file.path()), fixedClock());
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setWindowHeightTwips(4000);
        QTRY_COMPARE(w.TreeView1()->height(), twipsToPixels(3400));
        w.setWindowHeightTwips(450);  // would leave the tree no height at all
        QTRY_COMPARE(w.TreeView1()->height(), twipsToPixels(300));
        QCOMPARE(w.TreeView1()->geometry().topLeft(), twipsRectToPixels(120, 225, 0, 0).topLeft());
    }

    void wholeWindowAfterLoad() {
        TempStore file(demoRows());
        dlgMain w(QString::fromStdString(file.path()), fixedClock());
        w.Form_Load();

        QCOMPARE(w.objectName(), QStringLiteral("dlgMain"));
        QCOMPARE(w.caption(), QStringLiteral("Quillmar Night Audit"));
        const QStringList names{
            "Frame3",   "Command11",  "TimerTeach", "Command9",        "Command8",
            "Command2", "Command1",   "Command5",   "lstLog",          "chbCompleteTask",
            "cmdSend",  "dfnTeach",   "Command10",  "Label16",         "Frame2",
            "cmdSend2", "Frame6",     "Check1",     "Command6",        "Command3",
            "Command4", "Command7",   "Frame1",     "txtInstructions", "TreeView1",
            "Label1",   "lblVersion", "Label17",    "Label2",          "Label8",
            "Label7",   "Label6",     "Label5",     "Label4",          "Label3",
            "Label15",  "Label9",     "Label10",    "Label11",         "Label12",
            "Label13",  "Label14"};
        for (const QString& name : names) {
            QVERIFY2(w.findChild<QObject*>(name), qPrintable(name));
        }
        for (int i = 1; i <= 11; ++i) QVERIFY(w.command(i));
        for (int i = 1; i <= 7; ++i) QVERIFY(w.special(i));

        const QList<QPair<QString, QString>> texts{{"cmdSend", "&Go"},
                                                   {"Command8", "&Next"},
                                                   {"cmdSend2", "G&o"},
                                                   {"chbCompleteTask", "Co&mplete Task"},
                                                   {"Check1", "Single Click Mode"},
                                                   {"Command3", "+"},
                                                   {"Command4", "-"},
                                                   {"Command6", "-"},
                                                   {"Command11", "v"},
                                                   {"Command2", "<-"},
                                                   {"Command10", "Teach Task"},
                                                   {"Label16", "Time:"},
                                                   {"Label1", "Task Instructions"},
                                                   {"dfnTeach", "1"},
                                                   {"Frame1", "Special Fields"},
                                                   {"Frame2", "Night Audit Tasks"},
                                                   {"Frame3", "Actions"},
                                                   {"Frame6", ""},
                                                   {"Label2", "Special1"},
                                                   {"Label13", "Amount "},
                                                   {"Label14", "4 Days after today"},
                                                   {"lblVersion", "Version: 1.0.0"},
                                                   {"txtInstructions", ""},
                                                   {"special6", "0.00"}};
        for (const auto& [name, text] : texts) QCOMPARE(w.controlText(name), text);

        // Initial states the other handlers start from.
        QVERIFY(!w.cmdSend()->isEnabled());
        QVERIFY(w.cmdSend()->isDefault());
        QVERIFY(!w.command(8)->isEnabled());
        QVERIFY(!w.command(6)->isEnabled());
        QVERIFY(w.command(3)->isEnabled());
        QVERIFY(w.cmdSend2()->isHidden());
        QVERIFY(w.chbCompleteTask()->isHidden());
        QVERIFY(!w.Check1()->isChecked());
        QCOMPARE(w.TimerTeach()->interval(), 1000);
        QVERIFY(!w.TimerTeach()->isActive());
        QCOMPARE(w.lstLog()->count(), 0);

        // Designed positions, inside their containers.
        QCOMPARE(w.frame(3)->geometry(), twipsRectToPixels(8040, 120, 2175, 7335));
        QCOMPARE(w.frame(2)->geometry(), twipsRectToPixels(120, 120, 7815, 7335));
        QCOMPARE(w.frame(1)->geometry(), twipsRectToPixels(3960, 3480, 3735, 3495));
        QCOMPARE(w.frame(6)->parentWidget(), w.frame(2));
        QCOMPARE(w.cmdSend()->geometry(), twipsRectToPixels(120, 240, 1935, 375));
        QCOMPARE(w.command(6)->geometry(), twipsRectToPixels(3420, 135, 255, 255));
        QCOMPARE(w.special(3)->geometry(), twipsRectToPixels(1200, 1290, 975, 285));
        QCOMPARE(w.findChild<QLabel*>("Label10")->geometry().topLeft(),
                 twipsRectToPixels(2280, 1335, 0, 0).topLeft());
        QCOMPARE(w.lblVersion()->geometry(), twipsRectToPixels(2325, 7530, 1680, 225));
        QCOMPARE(w.lstLog()->geometry(), twipsRectToPixels(120, 1200, 1935, 5715));

        // Special fields from the fixed clock.
        QCOMPARE(w.dtAuditDay().date(), QDate(2026, 12, 5));
        const QStringList specials{w.special(1)->text(), w.special(2)->text(),
                                   w.special(3)->text(), w.special(4)->text(),
                                   w.special(5)->text(), w.special(7)->text()};
        QCOMPARE(specials, (QStringList{"120526", "120626", "120226", "05", "120726", "120926"}));

        // The demo tree on a Saturday: the Monday-only key sequence is left out.
        QCOMPARE(w.nodeCount(), 15);
        QCOMPARE(w.nodeIndexForKey("KS4"), 0);
        QCOMPARE(w.nodeKey(1), QStringLiteral("TS1"));
        QCOMPARE(w.tree().text(1), QStringLiteral("1- Close the day"));
        for (int i = 1; i <= w.nodeCount(); ++i) QVERIFY(w.tree().item(i)->isExpanded());

        // The "-" and "+" buttons work on the whole tree.
        QTest::mouseClick(w.command(4), Qt::LeftButton);
        QVERIFY(!w.tree().item(1)->isExpanded());
        QTest::mouseClick(w.command(3), Qt::LeftButton);
        QVERIFY(w.tree().item(1)->isExpanded());
        QCOMPARE(&w.store(), &w.store());
    }

    void mondayListsTheWeeklyKeySequence() {
        TempStore file(demoRows());
        dlgMain w(QString::fromStdString(file.path()),
                  fixedClock(QDateTime(QDate(2026, 12, 8), QTime(7, 0))));
        w.Form_Load();  // 07:00 on Tuesday: the audit day is Monday
        QCOMPARE(w.nodeCount(), 16);
        QCOMPARE(w.tree().text(w.nodeIndexForKey("KS4")),
                 QStringLiteral("2- Weekly revenue report"));
        QCOMPARE(w.tree().text(w.nodeIndexForKey("KS5")),
                 QStringLiteral("3- Start the end of day"));
    }

    void controlTextByExactName() {
        TempStore file(demoRows());
        dlgMain w(QString::fromStdString(file.path()), fixedClock());
        w.Form_Load();
        w.setControlText("special6", "R1234");
        QCOMPARE(w.controlText("special6"), QStringLiteral("R1234"));
        w.special(1)->setText("010101");  // typed over by the clerk
        QCOMPARE(w.controlText("special1"), QStringLiteral("010101"));
        w.setCaption("Window not found");
        QCOMPARE(w.windowTitle(), QStringLiteral("Window not found"));
        for (const char* name : {"Special1", "special8", "TimerTeach", "TreeView1", "lstLog", ""}) {
            try {
                (void)w.controlText(name);
                QFAIL(name);
            } catch (const Error& e) {
                QCOMPARE(e.number(), err::NoSuchControl);
            }
        }
        QVERIFY_THROWS_EXCEPTION(Error, w.setControlText("Special1", "x"));
    }

    void emptyStoreStillOpensTheWindow() {
        TempStore file("INSERT INTO _config VALUES ('STARTINGHEIGHT', '6000');");
        dlgMain w(QString::fromStdString(file.path()), fixedClock());
        MessageBoxes::Recorder messages;
        w.Form_Load();
        QCOMPARE(messages.shown().size(), 1);
        QCOMPARE(w.nodeCount(), 0);
        QCOMPARE(w.windowHeightTwips(), 6000);
        QCOMPARE(w.lblVersion()->text(), QStringLiteral("Version: 1.0.0"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
