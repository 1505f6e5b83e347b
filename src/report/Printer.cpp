#include "Printer.h"

#include <QPainter>
#include <QPrinter>
#include <QWidget>
#include <algorithm>

#include "platform/Error.h"

namespace nightaudit {

namespace {

std::string jobName(const QPrinter& printer) {
    return printer.outputFileName().isEmpty() ? "the printer " + printer.printerName().toStdString()
                                              : printer.outputFileName().toStdString();
}

}  // namespace

void renderPage(QWidget& page, QPrinter& printer) {
    page.ensurePolished();
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw Error(err::PrintFailed,
                    "Printing failed: the job for " + jobName(printer) + " could not be started");
    }
    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    const double actualSize = printer.resolution() / 96.0;
    const double fit = std::min(area.width() / page.width(), area.height() / page.height());
    const double scale = std::min(actualSize, fit);
    painter.scale(scale, scale);
    page.render(&painter, QPoint(), QRegion(),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        throw Error(err::PrintFailed,
                    "Printing failed: the job for " + jobName(printer) + " could not be finished");
    }
}

}  // namespace nightaudit
