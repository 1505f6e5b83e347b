// The reference for start-up time and memory: a Qt Widgets program showing one empty window.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal window"));
    window.resize(700, 520);
    window.show();
    return app.exec();
}
