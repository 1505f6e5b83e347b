#pragma once

#include <QString>

namespace nightaudit {

// The report import and the print form, as the player's key types 3, 9, 11 and 12
// reach them. Each throws nightaudit::Error on failure.
class Reports {
public:
    virtual ~Reports() = default;
    virtual void printText(const QString& text) = 0;        // type 3 (the player waits 2 s after)
    virtual void parseReport(const QString& fileName) = 0;  // type 9, the audit report
    virtual void loadNoShowList(const QString& fileName) = 0;  // type 11, the no-show list
    virtual void showNextNoShow() = 0;                         // type 12
};

}  // namespace nightaudit
