#include "dlgMain.h"

namespace nightaudit {

dlgMain::dlgMain(QWidget* parent) : QWidget(parent) { setWindowTitle("Quillmar Night Audit"); }

}  // namespace nightaudit
