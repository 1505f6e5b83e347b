#include "PdfFilePrinter.h"

#include <QPrinter>

namespace nightaudit {

void PdfFilePrinter::print(QWidget& page) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_fileName);
    printer.setDocName(QStringLiteral("Night audit"));
    renderPage(page, printer);
    ++m_pagesPrinted;
}

}  // namespace nightaudit
