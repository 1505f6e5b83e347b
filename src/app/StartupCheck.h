#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "MainWindow.h"

namespace nightaudit {

// The program's start: checks the store file, creates the main window and runs its
// load(). A store that is missing, is not an SQLite database, or lacks a table or
// column the program reads ends the start with a message that says what is wrong and
// where, and a non-zero status. The store file is never created.
class StartupCheck {
public:
    // What is wrong with the file at `storePath` before it is opened, or an empty
    // text when it looks like an SQLite database.
    static QString problemWithStoreFile(const QString& storePath);

    struct Result {
        std::unique_ptr<MainWindow> window;  // null on failure
        int status = 0;                      // the program's exit status on failure
        QString message;                     // what the clerk was told on failure
    };

    // Runs the start. On failure the message has been shown through MessageBoxes.
    static Result start(const QString& storePath, MainWindow::Clock clock = {});

    // Starts on the first place that has a store (store/StorePlace.h). With neither, the
    // message names both and the one command that starts from the demo store, when there
    // is one.
    static Result startFrom(const QString& programDir, MainWindow::Clock clock = {});

    // The command line, read before anything needs a display. `text` goes to standard
    // output with status 0, else to standard error. No reply: the program starts.
    struct CommandLineReply {
        int status = 0;
        QString text;
    };
    static std::optional<CommandLineReply> replyToCommandLine(const QStringList& arguments);
    // Prints the reply to the program's arguments; its status is the exit status.
    static std::optional<int> answerCommandLine(int argc, char** argv);
};

}  // namespace nightaudit
