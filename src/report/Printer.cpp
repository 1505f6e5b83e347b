#include "Printer.h"

#include <QPainter>
#include <QPdfWriter>
#include <QWidget>
#include <algorithm>

#include "core/Error.h"
#include "widgets/TextFitter.h"

namespace nightaudit {

void renderPdf(QWidget& page, const QString& fileName, const QPageSize& size) {
    QPdfWriter device(fileName);
    device.setTitle(QStringLiteral("Night audit"));
    device.setPageSize(size);
    // PDF/A has no transparency. The style paints frames and buttons half transparent,
    // and a print system that turns the page into PostScript (cups-pdf, most drivers)
    // makes every area under such paint one bitmap, the text in it included.
    device.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    page.ensurePolished();
    // Inside the margins that most printers can reach.
    device.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    fitTexts(&page);  // the page is never shown: its captions are fitted here
    QPainter painter;
    if (!painter.begin(&device)) {
        throw Error(err::PrintFailed,
                    "Printing failed: the page could not be written to " + fileName.toStdString());
    }
    const QRectF area = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const double scale = std::min(area.width() / page.width(), area.height() / page.height());
    painter.scale(scale, scale);
    // Onto a QPrinter, QWidget::render paints one bitmap; onto a PDF writer it paints
    // the controls themselves, so their texts stay text.
    page.render(&painter, QPoint(), QRegion(),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (!painter.end()) {
        throw Error(err::PrintFailed, "Printing failed: the page could not be finished");
    }
}

}  // namespace nightaudit
