#include "DayRule.h"

#include <QLocale>

namespace nightaudit {

// Only three characters are compared on both sides, so a locale whose short day names
// are longer (or carry a period) still matches "Wednesday" or "wed".
QString DayRule::dayPrefix(const QDate& day) {
    return QLocale::system().dayName(day.dayOfWeek(), QLocale::ShortFormat).left(3).toUpper();
}

bool DayRule::lists(const QString& enableday, const QString& prefix) {
    if (enableday.left(3).toUpper() == prefix) return true;
    return enableday == QLatin1String(" ");
}

bool DayRule::listsSomeDay(const QString& enableday) {
    // 2 January 2023 is a Monday: the seven days from it are one of each weekday.
    const QDate monday(2023, 1, 2);
    for (int i = 0; i < 7; ++i) {
        if (lists(enableday, dayPrefix(monday.addDays(i)))) return true;
    }
    return false;
}

}  // namespace nightaudit
