#pragma once

class QWidget;

namespace nightaudit {

// A top-level window's size in twips: the outer (frame) size where the platform reports
// a frame, else the client size. Setting keeps the frame's extra size, so reading back
// gives the value set.
int outerHeightTwips(const QWidget& window);
void setOuterHeightTwips(QWidget& window, int heightTwips);
int outerWidthTwips(const QWidget& window);
void setOuterWidthTwips(QWidget& window, int widthTwips);

// The primary screen's height in twips; 0 without a screen.
int screenHeightTwips();
// The top, in twips, that puts the window's outer lower edge this far above the
// screen's bottom, clear of a panel there.
constexpr int kScreenBottomGapTwips = 400;
int topAboveScreenBottomTwips(const QWidget& window);

}  // namespace nightaudit
