#include "UnavailableReports.h"

#include "core/Error.h"

namespace nightaudit {

void UnavailableReports::printText(const QString&) {
    throw Error(err::NotAvailable, "Printing a text is not available");
}

void UnavailableReports::parseReport(const QString&) {
    throw Error(err::NotAvailable, "Reading the audit report is not available");
}

void UnavailableReports::loadNoShowList(const QString&) {
    throw Error(err::NotAvailable, "Loading the no-show list is not available");
}

void UnavailableReports::showNextNoShow() {
    throw Error(err::NotAvailable, "The next no-show guest is not available");
}

}  // namespace nightaudit
