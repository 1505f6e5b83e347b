#pragma once

#include "playback/Reports.h"

namespace nightaudit {

// Reports for runs that have no report import: each key that needs one fails visibly
// through the player's error path instead of pretending to have printed or read anything.
class UnavailableReports : public Reports {
public:
    void printText(const QString& text) override;
    void parseReport(const QString& fileName) override;
    void loadNoShowList(const QString& fileName) override;
    void showNextNoShow() override;
};

}  // namespace nightaudit
