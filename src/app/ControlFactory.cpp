#include "ControlFactory.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/Twips.h"

namespace nightaudit::controls {
namespace {

template <class W>
W* place(W* w, const char* name, int left, int top, int width, int height) {
    w->setObjectName(QLatin1String(name));
    w->setGeometry(twipsRectToPixels(left, top, width, height));
    return w;
}

// The small buttons share a few icons; looking one up searches the icon theme and reads
// the style's image files, so each is looked up once per run of the program. The
// icons go before the application does.
const QIcon& sharedIcon(const char* themeIcon, QStyle::StandardPixmap fallback,
                        const QStyle& style) {
    static QHash<QPair<QString, int>, QIcon>* icons = nullptr;
    if (!icons) {
        icons = new QHash<QPair<QString, int>, QIcon>;
        qAddPostRoutine([] {
            delete icons;
            icons = nullptr;
        });
    }
    const QPair<QString, int> key{QString::fromLatin1(themeIcon), int(fallback)};
    auto it = icons->find(key);
    if (it == icons->end()) {
        it = icons->insert(key, QIcon::fromTheme(key.first, style.standardIcon(fallback)));
    }
    return *it;
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
    b->setIcon(sharedIcon(themeIcon, fallback, *b->style()));
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
