#pragma once

#include <array>

class QGroupBox;
class QLineEdit;
class QWidget;

namespace nightaudit {

struct SpecialFields {
    QGroupBox* frame;
    std::array<QLineEdit*, 7> fields;  // special1 ... special7
};

// Builds the frame "Special Fields" (`Frame1`) with its seven rows: a name label, the
// text box `special1` ... `special7` with its designed text, and a meaning label.
SpecialFields buildSpecialFieldsFrame(QWidget* parent);

}  // namespace nightaudit
