#include <QApplication>

#include "app/StartupCheck.h"

// The store is db.mdb beside the program; nothing else is looked for.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    auto start =
        nightaudit::StartupCheck::start(QCoreApplication::applicationDirPath() + "/db.mdb");
    if (!start.window) return start.status;
    start.window->show();
    return app.exec();
}
