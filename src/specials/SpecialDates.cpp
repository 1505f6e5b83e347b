#include "SpecialDates.h"

namespace nightaudit {

QString SpecialDates::mmddyy(const QDate& date) {
    // Built from numbers rather than a date format so no locale can change it.
    return QStringLiteral("%1%2%3")
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(((date.year() % 100) + 100) % 100, 2, 10, QLatin1Char('0'));
}

SpecialDates SpecialDates::at(const QDateTime& now) {
    SpecialDates d;
    d.auditDay = now.time().hour() < kAuditDayStartHour ? now.addDays(-1) : now;
    const QDate day = d.auditDay.date();
    d.special1 = mmddyy(day);
    d.special2 = mmddyy(day.addDays(1));
    d.special3 = mmddyy(day.addDays(-3));
    d.special5 = mmddyy(day.addDays(2));
    d.special7 = mmddyy(day.addDays(4));
    // The day of the month is taken from special1's text, so both always agree.
    d.special4 = d.special1.mid(2, 2);
    return d;
}

}  // namespace nightaudit
