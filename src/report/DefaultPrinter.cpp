#include "DefaultPrinter.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "core/Error.h"

namespace nightaudit {

void DefaultPrinter::print(QWidget& page) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        throw Error(err::PrintFailed, "Printing failed: No default printer is installed");
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Night audit"));
    renderPage(page, printer);
}

}  // namespace nightaudit
