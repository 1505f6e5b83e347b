#pragma once

#include "playback/Reports.h"

namespace nightaudit {

// Stands in for the report import and the print form until they exist: each key
// that needs them fails visibly through the player's error path instead of
// pretending to have printed or read anything.
class UnavailableReports : public Reports {
public:
    void printText(const QString& text) override;
    void parseReport(const QString& fileName) override;
    void loadNoShowList(const QString& fileName) override;
    void showNextNoShow() override;
};

}  // namespace nightaudit
