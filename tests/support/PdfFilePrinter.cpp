#include "PdfFilePrinter.h"

namespace nightaudit {

void PdfFilePrinter::print(QWidget& page) {
    renderPdf(page, m_fileName);
    ++m_pagesPrinted;
}

}  // namespace nightaudit
