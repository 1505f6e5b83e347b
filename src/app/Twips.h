#pragma once

#include <QRect>

#include <cmath>

namespace nightaudit {

// Window geometry is designed and stored in twips (1/1440 inch); the screen works in
// logical pixels. One logical pixel is 15 twips (96 dpi).
inline constexpr int kTwipsPerPixel = 15;

// Twips to logical pixels, rounded to the nearest pixel.
inline int twips(double tw) {
    return static_cast<int>(std::lround(tw / kTwipsPerPixel));
}

// Logical pixels to twips.
inline int toTwips(int px) {
    return px * kTwipsPerPixel;
}

// A rectangle given as left, top, width, height in twips.
inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace nightaudit
