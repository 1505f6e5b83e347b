#include "ControlFactory.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Twips.h"

namespace nightaudit::controls {
namespace {

template <class W>
W* place(W* w, const char* name, int left, int top, int width, int height) {
    w->setObjectName(QLatin1String(name));
    w->setGeometry(twipsRect(left, top, width, height));
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
                           const char* themeIcon, QStyle::StandardPixmap fallback, int left,
                           int top, int width, int height) {
    QPushButton* b = button(parent, name, caption, left, top, width, height);
    b->setIcon(QIcon::fromTheme(QLatin1String(themeIcon), b->style()->standardIcon(fallback)));
    // The small buttons are about 17 pixels square: a full-size icon would hide the caption.
    b->setIconSize(QSize(10, 10));
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
