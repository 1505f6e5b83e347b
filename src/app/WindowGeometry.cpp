#include "WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

#include "core/Twips.h"

namespace nightaudit {

int outerHeightTwips(const QWidget& window) {
    return pixelsToTwips(window.frameGeometry().height());
}

void setOuterHeightTwips(QWidget& window, int heightTwips) {
    const int frameExtra = window.frameGeometry().height() - window.height();
    window.resize(window.width(), std::max(1, twipsToPixels(heightTwips) - frameExtra));
}

int outerWidthTwips(const QWidget& window) {
    return pixelsToTwips(window.frameGeometry().width());
}

void setOuterWidthTwips(QWidget& window, int widthTwips) {
    const int frameExtra = window.frameGeometry().width() - window.width();
    window.resize(std::max(1, twipsToPixels(widthTwips) - frameExtra), window.height());
}

int screenHeightTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? pixelsToTwips(screen->geometry().height()) : 0;
}

int topAboveScreenBottomTwips(const QWidget& window) {
    return screenHeightTwips() - kScreenBottomGapTwips - outerHeightTwips(window);
}

}  // namespace nightaudit
