#pragma once

#include <QObject>

class QWidget;

namespace nightaudit {

// Keeps the designed twip layout while making every caption show whole: a label, button,
// check box or frame title wider than its control is drawn in a smaller face, down to
// kSmallestPixels; one that still does not fit is elided, with its whole text as the
// tooltip. Controls whose text fits keep the window's face.
inline constexpr int kSmallestPixels = 9;
// A button with this property true draws its picture alone: its caption is not fitted.
inline constexpr char kPictureOnly[] = "nightaudit_pictureOnly";

// Fits `control`'s text again, after a change of its text or size.
void fitText(QWidget* control);
// Fits `root` and every control in it.
void fitTexts(QWidget* root);

// Installed on the application: fits each window of the program as it is shown, the
// dialogs included, so their texts are measured with the fonts and scale they show with.
class TextFitter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace nightaudit
