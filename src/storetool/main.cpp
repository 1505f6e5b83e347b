#include <QCoreApplication>

#include <iostream>

#include "storetool/StoreCommands.h"

// nightaudit-store: checks, previews, exports and imports a task store; never opens a window.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return nightaudit::runStoreCommand(QCoreApplication::arguments().mid(1),
                                       QCoreApplication::applicationDirPath() + "/db.mdb",
                                       std::cout, std::cerr);
}
