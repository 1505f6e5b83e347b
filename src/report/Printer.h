#pragma once

#include <QPageSize>

class QString;
class QWidget;

namespace nightaudit {

// Prints one page: the image of a widget as laid out (hidden children left out),
// whether or not the widget was ever shown.
class Printer {
public:
    virtual ~Printer() = default;

    // Returns once the page is printed, or for a print system, once it has accepted the
    // job. Throws Error(err::PrintFailed) with a text that says why not.
    virtual void print(QWidget& page) = 0;
};

// Writes `page` as a one-page PDF file of the given paper size: everything the widget
// shows, scaled to fill the printable area with its proportions kept. Text stays text,
// so the page can be searched and read back, also after a print system has converted it.
// Throws Error(err::PrintFailed) when the file cannot be written.
void renderPdf(QWidget& page, const QString& fileName,
               const QPageSize& size = QPageSize(QPageSize::A4));

}  // namespace nightaudit
