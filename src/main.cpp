#include <QApplication>
#include <QFont>

#include "app/StartupCheck.h"
#include "app/TerminationSignals.h"
#include "core/Error.h"
#include "platform/DesktopFactory.h"
#include "platform/InputGuardian.h"

// The store is db.mdb beside the program, else in the user's data folder (StartupCheck).
int main(int argc, char** argv) {
    // --help and --version answer without a display, before anything else starts.
    if (const auto status = nightaudit::StartupCheck::answerCommandLine(argc, argv)) return *status;
    // Before any thread exists: the guardian is a plain fork of this process.
    nightaudit::InputGuardian::start();
    nightaudit::TerminationSignals::install();
    QApplication app(argc, argv);
    // The controls are laid out in twips for an 8-point face; the desktop's larger
    // default font would cut their captions off.
    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
    auto start = nightaudit::StartupCheck::startFrom(QCoreApplication::applicationDirPath());
    if (!start.window) return start.status;

    // What an earlier start left held or rebound when it and its guardian were killed
    // together is put back before the clerk can see or do anything.
    nightaudit::restoreLeftoverHeldInput();
    // A signal closes the program as the clerk would: a run stops between two keystrokes,
    // everything it pressed is let go, and the window's close ends the program.
    nightaudit::MainWindow& window = *start.window;
    nightaudit::TerminationSignals signalsClose([&window](int signalNumber) {
        for (int i = 0; i < 8; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == &window || !modal->close()) break;
        }
        window.closeForSignal(signalNumber);
    });

    // The desktop's connections show nothing, so they are opened while the window
    // manager puts the window on screen; no event is handled before they are in place.
    start.window->show();
    // Without a desktop to type into the clerk can still look at the tasks, teach and
    // edit keys; Go then says why nothing can be typed instead of failing each key.
    nightaudit::Collaborators collaborators;
    try {
        auto made = nightaudit::makeDesktop();
        collaborators.stopKey = std::move(made.stopKey);
        collaborators.desktop = std::move(made.desktop);
    } catch (const nightaudit::Error& e) {
        collaborators.desktopProblem = QString::fromStdString(e.description());
    }
    start.window->setCollaborators(std::move(collaborators));
    return app.exec();
}
