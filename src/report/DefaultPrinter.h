#pragma once

#include "Printer.h"

namespace nightaudit {

// Prints on the desktop's default printer, looked up afresh at every print so that a
// printer installed while the program runs is found.
class DefaultPrinter : public Printer {
public:
    // Throws Error(err::PrintFailed, "... No default printer is installed") when there
    // is none, and what renderPage throws.
    void print(QWidget& page) override;
};

}  // namespace nightaudit
