// The reference for start-up time and memory: the smallest Qt Widgets program that shows
// text as the main window does (a captioned group box, a label, a button and a tree with
// one item), with the same style and the same 11-pixel application font, so it loads the
// font database and the font engines too.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor window"));
    auto* layout = new QVBoxLayout(&window);
    auto* group = new QGroupBox(QStringLiteral("Task sequences"));
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(new QLabel(QStringLiteral("Audit day")));
    auto* tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    new QTreeWidgetItem(tree, {QStringLiteral("1- Close the day")});
    inner->addWidget(tree);
    layout->addWidget(group);
    layout->addWidget(new QPushButton(QStringLiteral("Go")));
    window.resize(700, 520);
    window.show();
    return app.exec();
}
