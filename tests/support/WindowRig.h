#pragma once

// The main window on a temporary store, shown, with the fake desktop, an instant waiter,
// a recording printer and message boxes recorded.
#include <QTest>
#include <QTreeWidget>

#include <functional>

#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/TaskTree.h"
#include "core/Error.h"
#include "report/Printer.h"
#include "support/FakeDesktop.h"
#include "support/InstantWaiter.h"
#include "support/TempStore.h"

namespace nightaudit::test {

// Saturday 5 December 2026: key sequences tied to Monday are left out of the tree.
// Tree indexes: TS1 1, T10 2, KS1 3, KS2 4, T11 5, KS3 6, TS2 7 (no tasks).
inline const char* const kNightRows = R"(
INSERT INTO tasksequence VALUES (1, 'Close the day', 'Check every cashier first.', 1, 1), (2, 'Spare', '', 1, 2);
INSERT INTO task VALUES (10, 1, 'Cashiers', 'Front Desk', 1, 1), (11, 1, 'Roll', 'Front Desk', 1, 2);
INSERT INTO keysequence VALUES (1, 10, 'Open', 1, NULL, 0, 1000, 1), (2, 10, 'Close', 1, NULL, 2000, 3000, 2),
 (3, 11, 'Roll date', 1, NULL, 0, 0, 1), (4, 11, 'Monday report', 1, 'Mon', 4000, 4000, 2);
INSERT INTO keys VALUES (1, 1, 1, 0, 'a', NULL, 0, 0), (2, 2, 1, 0, 'b', NULL, 0, 0), (3, 2, 2, 0, 'c', NULL, 0, 0),
 (4, 2, 2, 0, 'd', NULL, 0, 0), (5, 3, 1, 0, 'e', NULL, 0, 0), (6, 4, 1, 0, 'x', NULL, 0, 0);
)";

class RecordingPrinter : public Printer {
public:
    QStringList printed;  // object names of the pages printed
    bool fail = false;
    Printer* passTo = nullptr;  // a real printer that prints the pages too
    void print(QWidget& page) override {
        if (fail) throw Error(err::PrintFailed, "Printing failed: the printer is out of paper");
        if (passTo) passTo->print(page);
        printed << page.objectName();
    }
};

// The main window's own title is its caption, whatever a failure wrote there.
class WindowDesktop : public FakeDesktop {
public:
    explicit WindowDesktop(const MainWindow& window) : m_window(window) {}
    void activate(const std::string& title) override {
        if (!hasWindow(title) && title == m_window.caption().toStdString())
            return note("activate(" + title + ") ");
        FakeDesktop::activate(title);
    }

private:
    const MainWindow& m_window;
};

class WindowRig {
public:
    // Without a desktop the window is told why there is none, as when no display opens.
    // `reports`, if given, makes the window's reports.
    explicit WindowRig(const std::string& rows = kNightRows, bool withDesktop = true,
                       QDateTime now = QDateTime(QDate(2026, 12, 5), QTime(8, 0)),
                       const std::function<std::unique_ptr<Reports>(WindowRig&)>& reports = {})
        : file(rows), window(QString::fromStdString(file.path()), [now] { return now; }) {
        Collaborators c;
        if (withDesktop) {
            c.desktop = std::make_unique<WindowDesktop>(window);
            desktop = static_cast<FakeDesktop*>(c.desktop.get());
            desktop->addWindow("Front Desk");
            desktop->addWindow("Quillmar Night Audit");
        } else {
            c.desktopProblem = QStringLiteral("the display :9 cannot be opened");
        }
        c.waiter = std::make_unique<InstantWaiter>(window.state());
        waiter = static_cast<InstantWaiter*>(c.waiter.get());
        c.printer = std::make_unique<RecordingPrinter>();
        printer = static_cast<RecordingPrinter*>(c.printer.get());
        if (reports) c.reports = reports(*this);
        window.setCollaborators(std::move(c));
        window.load();
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) qFatal("the main window was not shown");
    }

    std::string record() const { return desktop ? desktop->record() : std::string(); }
    // A mouse click on the node's row, as the clerk makes it.
    void click(int index) {
        QTreeWidget* view = window.tree().view();
        view->scrollToItem(window.tree().item(index));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualItemRect(window.tree().item(index)).center());
    }
    QStringList messages() const {
        QStringList texts;
        for (const auto& m : recorder.shown()) texts << m.text;
        return texts;
    }

    MessageBoxes::Recorder recorder;
    TempStore file;
    MainWindow window;
    FakeDesktop* desktop = nullptr;
    InstantWaiter* waiter = nullptr;
    RecordingPrinter* printer = nullptr;
};

}  // namespace nightaudit::test
