#include "Printer.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QWidget>
#include <algorithm>

#include "core/Error.h"
#include "widgets/TextFitter.h"

namespace nightaudit {

namespace {

std::string jobName(const QPrinter& printer) {
    return printer.outputFileName().isEmpty() ? "the printer " + printer.printerName().toStdString()
                                              : printer.outputFileName().toStdString();
}

void paintLabel(QPainter& painter, const QLabel& label, const QRect& area) {
    painter.setFont(label.font());
    // A fallback font may run wider than the one the page was laid out for: never cut it.
    const int wrap = label.wordWrap() ? int(Qt::TextWordWrap) : int(Qt::TextDontClip);
    painter.drawText(area, int(label.alignment()) | wrap, label.text());
}

// A frame with its caption set into the top border, as a printed form shows it.
void paintGroupBox(QPainter& painter, const QGroupBox& box, const QRect& area) {
    const QFontMetrics metrics(box.font());
    const int half = metrics.height() / 2;
    painter.drawRect(area.adjusted(0, half, -1, -1));
    if (box.title().isEmpty()) return;
    const QRect caption(area.left() + 8, area.top(), metrics.horizontalAdvance(box.title()) + 6,
                        metrics.height());
    painter.fillRect(caption, Qt::white);
    painter.setFont(box.font());
    painter.drawText(caption, Qt::AlignCenter, box.title());
}

// Paints the children of `parent` that are not hidden, at `origin`, in widget pixels.
void paintChildren(QPainter& painter, const QWidget& parent, const QPoint& origin) {
    for (const QObject* object : parent.children()) {
        const auto* child = qobject_cast<const QWidget*>(object);
        if (!child || child->isHidden()) continue;
        const QRect area = child->geometry().translated(origin);
        painter.setPen(QPen(Qt::black, 1));
        if (const auto* label = qobject_cast<const QLabel*>(child)) {
            paintLabel(painter, *label, area);
        } else if (const auto* box = qobject_cast<const QGroupBox*>(child)) {
            paintGroupBox(painter, *box, area);
        } else if (const auto* frame = qobject_cast<const QFrame*>(child);
                   frame && frame->frameShape() == QFrame::HLine) {
            const int y = area.center().y();
            painter.drawLine(area.left(), y, area.right(), y);
        }
        paintChildren(painter, *child, area.topLeft());
    }
}

}  // namespace

void renderPage(QWidget& page, QPrinter& printer) {
    page.ensurePolished();
    fitTexts(&page);  // the page is never shown: its captions are fitted here
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

    // QWidget::render turns everything it draws onto a printer into one bitmap; painted
    // control by control, the page keeps its text as text, sharp on paper and readable
    // from a printed file.
    painter.fillRect(QRect(QPoint(0, 0), page.size()), Qt::white);
    paintChildren(painter, page, QPoint(0, 0));

    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        throw Error(err::PrintFailed,
                    "Printing failed: the job for " + jobName(printer) + " could not be finished");
    }
}

}  // namespace nightaudit
