#pragma once

#include <QRect>

#include <cmath>

namespace nightaudit {

// Window geometry is designed and stored in twips (1/1440 inch); the screen works in
// logical pixels. One logical pixel is 15 twips (96 dpi). Every window converts with
// these, so the main window, the key editor and the print form round alike.
inline constexpr int kTwipsPerPixel = 15;

// Twips to logical pixels, rounded to the nearest pixel.
inline int twipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

// Logical pixels to twips.
inline int pixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

// A rectangle designed as left, top, width, height in twips, in logical pixels.
inline QRect twipsRectToPixels(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

}  // namespace nightaudit
