#pragma once

#include <QIcon>
#include <QPushButton>

namespace nightaudit {

// The pictures of the main window's small buttons, drawn at whatever size and scale
// they are shown, so they stay sharp on the 17-pixel buttons and on a scaled screen.
enum class Picture { Narrow, Wide, DockLow, ShortLog, Print, EditKeys };
QIcon drawnIcon(Picture picture);

// A button that shows only its picture, centred: the small buttons are too narrow for a
// picture and a caption side by side. The caption stays its text (and so its name for
// the fields a key reads) and opens its tooltip.
class PictureButton : public QPushButton {
    Q_OBJECT
public:
    PictureButton(const QString& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace nightaudit
