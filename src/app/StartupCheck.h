#pragma once

#include <QString>

#include <memory>

#include "dlgMain.h"

namespace nightaudit {

// The program's start: checks the store file, creates the main window and runs its
// Form_Load. A store that is missing, is not an SQLite database, or lacks a table or
// column the program reads ends the start with a message that says what is wrong and
// where, and a non-zero status. The store file is never created.
class StartupCheck {
public:
    // What is wrong with the file at `storePath` before it is opened, or an empty
    // text when it looks like an SQLite database.
    static QString problemWithStoreFile(const QString& storePath);

    struct Result {
        std::unique_ptr<dlgMain> window;  // null on failure
        int status = 0;                   // the program's exit status on failure
        QString message;                  // what the clerk was told on failure
    };

    // Runs the start. On failure the message has been shown through MessageBoxes.
    static Result start(const QString& storePath, dlgMain::Clock clock = {});
};

}  // namespace nightaudit
