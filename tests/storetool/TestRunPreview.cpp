// The preview of every node of the demo store does what Go does in the real main window
// on the fake desktop: the same desktop steps, reports and waits, in the same order.
#include <QPushButton>

#include <algorithm>

#include "app/TaskTree.h"
#include "storetool/FieldNames.h"
#include "storetool/RunPreview.h"
#include "support/ErrorOf.h"
#include "support/WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// Notes the reports a run asks for into the desktop's record, as the preview writes them.
class NotingReports : public Reports {
public:
    NotingReports(FakeDesktop& desktop, WindowFields& window)
        : m_desktop(desktop), m_window(window) {}
    void printText(const QString& t) override { m_desktop.note("print(" + t.toStdString() + ") "); }
    void parseReport(const QString& f) override {
        m_desktop.note("report(" + f.toStdString() + ") ");
    }
    void loadNoShowList(const QString& f) override {
        m_desktop.note("noshows(" + f.toStdString() + ") ");
    }
    void showNextNoShow() override {
        m_window.setControlText("special6", RunPreview::kNextNoShow);
        m_desktop.note("nextnoshow ");
    }

private:
    FakeDesktop& m_desktop;
    WindowFields& m_window;
};

}  // namespace

class TestRunPreview : public QObject {
    Q_OBJECT

private slots:
    // The audit day and rows added to the demo store.
    void sameStepsAsThePlayer_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("rows");
        QTest::newRow("Saturday") << QDate(2026, 12, 5) << "";
        QTest::newRow("Monday") << QDate(2026, 12, 7) << "";
        QTest::newRow("faults")
            << QDate(2026, 12, 7)
            << "INSERT INTO keys VALUES (30, 1, 3, 10, '3', NULL, 0, 0), "
               "(31, 3, 3, 0, '{TAB', NULL, 0, 0), (32, 6, 3, 10, '6', NULL, 0, 0), "
               "(33, 2, 3, 2, 'prog \"a b\" c', NULL, 1500, 2500), "
               "(34, 2, 4, 1, 'nofield', NULL, 0, 0);";
    }
    void sameStepsAsThePlayer() {
        QFETCH(QDate, day);
        QFETCH(QString, rows);
        const std::string all = readFile(NIGHTAUDIT_DATA_DIR "/demo.sql") + rows.toStdString();
        const auto reports = [](WindowRig& rig) {  // noted as the preview writes them
            return std::make_unique<NotingReports>(*rig.desktop, rig.window);
        };
        const QDateTime nine(day, QTime(9, 0));
        const int nodes = WindowRig(all, true, nine, reports).window.tree().nodeCount();
        QVERIFY(nodes >= 12);
        for (int i = 1; i <= nodes; ++i) {
            WindowRig w(all, true, nine, reports);
            const std::string key = w.window.nodeKey(i).toStdString();
            w.window.tree().select(i);
            w.window.controls().go->click();
            TaskStore tasks(w.file.path(), 5000, TaskStore::Access::ReadOnly);
            const PreviewSteps preview = RunPreview(tasks, w.file.dir(), day).run(key);
            std::string record;
            std::vector<std::int32_t> waits;
            for (const PreviewStep& s : preview.steps()) {
                record += s.record;
                if (s.kind == PreviewStep::Kind::Wait) waits.push_back(s.waitMs);
            }
            // The player also lets the window read its keys before a countdown: no step.
            const std::string played =
                QString::fromStdString(w.desktop->record()).remove("settle ").toStdString();
            QVERIFY2(record == played,
                     qPrintable(QString::fromStdString(key + "\n" + record + "\n" + played)));
            QVERIFY2(waits == w.waiter->waits(), key.c_str());
            QCOMPARE(preview.failures() > 0, w.window.caption() != "Quillmar Night Audit");
            if (key != "KS1" || rows.isEmpty()) continue;
            // The printed preview: the labels of waits, the nesting of a type 10 key, a
            // failure where it ends a key sequence, the total.
            const QString text = QString::fromStdString(RunPreview::text(preview));
            for (const char* part :
                 {"\n    wait after: 1 s (600 ms)\n  key 2, type 0 keystrokes\n",
                  "\n  key 30, type 10 run a key sequence: KS3\n    key sequence KS3 ",
                  "\n      key 31, type 0 keystrokes\n",
                  "\n        ✗ the key sequence stops here: "
                  "Keystroke text: '{' is never closed at character 1 (error 1003)\n    back to",
                  "\nwaits in all: 1 s\n1 problem(s) would end key sequences early (✗ above)\n"})
                QVERIFY2(text.contains(QString::fromUtf8(part)), qPrintable(text));
        }
    }

    // The fields a key of type 1 may name are the main window's controls with a text.
    void fieldNamesAreTheWindowsControls() {
        WindowRig w;
        QStringList withText, listed;
        for (const QObject* child : w.window.findChildren<QObject*>())
            if (!child->objectName().isEmpty() &&
                errorOf([&] { w.window.controlText(child->objectName()); }).number == 0)
                withText << child->objectName();
        for (const std::string& name : windowFieldNames()) listed << QString::fromStdString(name);
        withText.sort();
        listed.sort();
        QCOMPARE(withText.join(' '), listed.join(' '));
    }
};

QTEST_MAIN(TestRunPreview)
#include "TestRunPreview.moc"
