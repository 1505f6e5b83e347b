#include <QApplication>

#include "app/dlgMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    nightaudit::dlgMain w;
    w.show();
    return app.exec();
}
