#pragma once

class QGroupBox;
class QWidget;

namespace nightaudit {

// Builds the frame "Special Fields" (`Frame1`) with its seven rows: a name label, the
// text box `special1` ... `special7` with its designed text, and a meaning label.
QGroupBox* buildSpecialFieldsFrame(QWidget* parent);

}  // namespace nightaudit
