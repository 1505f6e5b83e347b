#pragma once

#include <QDateTime>
#include <QString>

namespace nightaudit {

// The audit day and the dates the special fields offer, worked out from one reading
// of the clock. The night audit runs past midnight, so until 08:00 the audit day is
// still yesterday. Pure: the caller passes "now", which keeps the rule testable.
// special6 (an amount from the no-show list) is not a date and is not computed here.
struct SpecialDates {
    QDateTime auditDay;  // the audit day, at the time of day of "now"
    QString special1;    // audit day, "mmddyy"
    QString special2;    // audit day + 1
    QString special3;    // audit day - 3
    QString special4;    // day of the month of the audit day, two digits
    QString special5;    // audit day + 2
    QString special7;    // audit day + 4

    static SpecialDates at(const QDateTime& now);

    // Six digits: month, day, two-digit year, each zero-padded (5 Dec 2026 -> "120526").
    static QString mmddyy(const QDate& date);

    // The hour from which the audit day is today rather than yesterday.
    static constexpr int kAuditDayStartHour = 8;
};

}  // namespace nightaudit
