#include "SpecialFieldsFrame.h"

#include <QGroupBox>
#include <QLineEdit>

#include <iterator>

#include "ControlFactory.h"

namespace nightaudit {
namespace {

struct Row {
    const char* nameLabel;
    const char* caption;
    const char* field;
    const char* designedText;
    const char* meaningLabel;
    const char* meaning;
    int top;
};

// The field names are stored data: keys name the field they type by these names.
constexpr Row kRows[] = {
    {"Label2", "Special1", "special1", "070705", "Label15", "Today's Date", 405},
    {"Label8", "Special2", "special2", "070705", "Label9", "Tomorrow's Date", 840},
    {"Label7", "Special3", "special3", "070705", "Label10", "3 Days Earlier Date", 1290},
    {"Label6", "Special4", "special4", "070705", "Label11", "Audit Day", 1725},
    {"Label5", "Special5", "special5", "070705", "Label12", "After Tomorrow Dt", 2160},
    {"Label4", "Special6", "special6", "0.00", "Label13", "Amount ", 2610},
    {"Label3", "Special7", "special7", "070705", "Label14", "4 Days after today", 3045},
};

constexpr int kLabelDrop = 45;  // labels sit a little lower than their text box

}  // namespace

SpecialFields buildSpecialFieldsFrame(QWidget* parent) {
    SpecialFields made{
        controls::frame(parent, "Frame1", QStringLiteral("Special Fields"), 3960, 3480, 3735, 3495),
        {}};
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const Row& row = kRows[i];
        controls::label(made.frame, row.nameLabel, QLatin1String(row.caption), 240,
                        row.top + kLabelDrop, 900, 255);
        made.fields[i] = controls::textBox(made.frame, row.field, QLatin1String(row.designedText),
                                           1200, row.top, 975, 285);
        controls::label(made.frame, row.meaningLabel, QLatin1String(row.meaning), 2280,
                        row.top + kLabelDrop, 1400, 255);
    }
    return made;
}

}  // namespace nightaudit
