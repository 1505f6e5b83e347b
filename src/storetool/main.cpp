#include <QCoreApplication>

#include <iostream>

#include "store/StorePlace.h"
#include "storetool/StoreCommands.h"

// nightaudit-store: checks, previews, exports and imports a task store; never opens a window.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The store nightaudit itself would open.
    const std::string dir = QCoreApplication::applicationDirPath().toStdString();
    std::string store = nightaudit::existingStore(dir);
    if (store.empty()) store = nightaudit::storeBesideProgram(dir);
    return nightaudit::runStoreCommand(QCoreApplication::arguments().mid(1),
                                       QString::fromStdString(store), std::cout, std::cerr);
}
