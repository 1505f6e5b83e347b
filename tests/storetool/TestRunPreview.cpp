// The preview of every node of the demo store does what Go does in the real main window
// on the fake desktop: the same desktop steps, reports and waits, in the same order.
#include <QPushButton>

#include <algorithm>

#include "app/TaskTree.h"
#include "storetool/FieldNames.h"
#include "storetool/RunPreview.h"
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

// The main window's title is its caption, whatever a failure wrote there.
class CaptionedDesktop : public FakeDesktop {
public:
    const MainWindow* window = nullptr;
    void activate(const std::string& title) override {
        if (title == window->caption().toStdString()) return note("activate(" + title + ") ");
        FakeDesktop::activate(title);
    }
};

// The real main window on a store, with the fake desktop and instant waits.
struct Window {
    Window(const TempStore& store, const QDate& day)
        : window(QString::fromStdString(store.path()),
                 [day] { return QDateTime(day, QTime(9, 0)); }) {
        Collaborators c;
        auto fake = std::make_unique<CaptionedDesktop>();
        fake->window = &window;
        desktop = fake.get();
        desktop->addWindow("Front Desk");
        desktop->addWindow("Quillmar Night Audit");
        c.desktop = std::move(fake);
        auto instant = std::make_unique<InstantWaiter>(window.state());
        waiter = instant.get();
        c.waiter = std::move(instant);
        c.reports = std::make_unique<NotingReports>(*desktop, window);
        c.printer = std::make_unique<RecordingPrinter>();
        window.setCollaborators(std::move(c));
        window.load();
    }
    MessageBoxes::Recorder recorder;
    MainWindow window;
    FakeDesktop* desktop = nullptr;
    InstantWaiter* waiter = nullptr;
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
        const TempStore store(readFile(NIGHTAUDIT_DATA_DIR "/demo.sql") + rows.toStdString());
        const int nodes = Window(store, day).window.tree().nodeCount();
        QVERIFY(nodes >= 12);
        TaskStore tasks(store.path(), 5000, TaskStore::Access::ReadOnly);
        for (int i = 1; i <= nodes; ++i) {
            Window w(store, day);
            const std::string key = w.window.nodeKey(i).toStdString();
            w.window.tree().select(i);
            w.window.controls().go->click();
            const PreviewSteps preview = RunPreview(tasks, store.dir(), day).run(key);
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
        }
    }

    // The printed preview: the labels of waits, the nesting of a type 10 key, a failure where
    // it ends a key sequence, the total.
    void printedText() {
        const TempStore store(readFile(NIGHTAUDIT_DATA_DIR "/demo.sql") +
                              "INSERT INTO keys VALUES (30, 1, 3, 10, '3', NULL, 0, 0), "
                              "(31, 3, 3, 0, '{TAB', NULL, 0, 0);");
        TaskStore tasks(store.path(), 5000, TaskStore::Access::ReadOnly);
        const QString text = QString::fromStdString(
            RunPreview::text(RunPreview(tasks, store.dir(), QDate(2026, 12, 7)).run("KS1")));
        // From its third line.
        QCOMPARE(text.section('\n', 2),
                 R"(key sequence KS1 "1- Open the cashier screen" into "Front Desk"
  key 1, type 0 keystrokes
    activate the window "Front Desk"
    activate the window "Front Desk"
    type "%c"  → [Alt+C]
    wait after: 1 s (600 ms)
  key 2, type 0 keystrokes
    activate the window "Front Desk"
    activate the window "Front Desk"
    type "{TAB 3}"  → ⇥⇥⇥
  key 30, type 10 run a key sequence: KS3
    key sequence KS3 "1- Enter the audit date" into "Front Desk"
      key 5, type 1 field text: special1 as a date
        activate the window "Front Desk"
        type "12/07/2026"  → 12/07/2026
      key 6, type 0 keystrokes
        activate the window "Front Desk"
        activate the window "Front Desk"
        type "{ENTER}"  → ⏎
      key 31, type 0 keystrokes
        activate the window "Front Desk"
        activate the window "Front Desk"
        ✗ the key sequence stops here: Keystroke text: '{' is never closed at character 1 (error 1003)
    back to this program's window
waits in all: 1 s
1 problem(s) would end key sequences early (✗ above)
)");
    }

    // The fields a key of type 1 may name are the main window's controls with a text.
    void fieldNamesAreTheWindowsControls() {
        const TempStore store;
        Window w(store, QDate(2026, 12, 5));
        QStringList withText;
        for (const QObject* child : w.window.findChildren<QObject*>()) {
            if (child->objectName().isEmpty()) continue;
            try {
                w.window.controlText(child->objectName());
                withText << child->objectName();
            } catch (const Error&) {
            }
        }
        QStringList listed;
        for (const std::string& name : windowFieldNames()) listed << QString::fromStdString(name);
        withText.sort();
        listed.sort();
        QCOMPARE(withText.join(' '), listed.join(' '));
    }
};

QTEST_MAIN(TestRunPreview)
#include "TestRunPreview.moc"
