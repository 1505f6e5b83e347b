#pragma once

class QPrinter;
class QWidget;

namespace nightaudit {

// Prints one page: the image of a widget as laid out (hidden children left out),
// whether or not the widget was ever shown.
class Printer {
public:
    virtual ~Printer() = default;

    // Throws Error(err::PrintFailed) with a text that says why.
    virtual void print(QWidget& page) = 0;
};

// Renders `page` as the one page of `printer`'s job, at its real size (96 widget pixels
// to the inch) at the top left of the printable area, scaled down only when it would not
// fit. Text stays text, so the job can be searched and read back.
// Throws Error(err::PrintFailed) when the job cannot be started or finished.
void renderPage(QWidget& page, QPrinter& printer);

}  // namespace nightaudit
