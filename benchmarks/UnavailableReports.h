#pragma once

#include "core/Error.h"
#include "playback/Reports.h"

namespace nightaudit {

// Reports for runs without a report import: a key that needs one fails visibly through
// the player's error path instead of pretending to have printed or read anything.
class UnavailableReports : public Reports {
public:
    void printText(const QString&) override { fail("Printing a text"); }
    void parseReport(const QString&) override { fail("Reading the audit report"); }
    void loadNoShowList(const QString&) override { fail("Loading the no-show list"); }
    void showNextNoShow() override { fail("The next no-show guest"); }

private:
    static void fail(const std::string& what) {
        throw Error(err::NotAvailable, what + " is not available");
    }
};

}  // namespace nightaudit
