#include "ControlFactory.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/Twips.h"

#include <algorithm>

namespace nightaudit::controls {
namespace {

template <class W>
W* place(W* w, const char* name, int left, int top, int width, int height) {
    w->setObjectName(QLatin1String(name));
    w->setGeometry(twipsRectToPixels(left, top, width, height));
    return w;
}

}  // namespace

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption, int left, int top,
                 int width, int height) {
    return place(new QGroupBox(caption, parent), name, left, top, width, height);
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width, int height) {
    return place(new QPushButton(caption, parent), name, left, top, width, height);
}

QPushButton* pictureButton(QWidget* parent, const char* name, const QString& caption,
                           Picture picture, const QString& tip, int left, int top, int width,
                           int height) {
    auto* b = place(new PictureButton(caption, parent), name, left, top, width, height);
    b->setIcon(drawnIcon(picture));
    // Two pixels of bevel on each side; the larger buttons get a 16-pixel picture.
    const int side = std::min(16, std::min(b->width(), b->height()) - 6);
    b->setIconSize(QSize(side, side));
    b->setToolTip(tip);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top,
              int width, int height) {
    return place(new QLabel(caption, parent), name, left, top, width, height);
}

QLineEdit* textBox(QWidget* parent, const char* name, const QString& text, int left, int top,
                   int width, int height) {
    return place(new QLineEdit(text, parent), name, left, top, width, height);
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width, int height) {
    return place(new QCheckBox(caption, parent), name, left, top, width, height);
}

}  // namespace nightaudit::controls
