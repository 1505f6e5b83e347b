#pragma once

#include <QLocale>
#include <QString>

namespace nightaudit {

// An amount in the locale's currency format: its sign, grouping, two decimals and its
// way of writing negative amounts. A locale without a currency sign (C, POSIX) gets the
// plain amount with grouping and two decimals ("1,234.50", "-5.00") rather than a
// placeholder sign. Amounts are rounded to cents first, so that a total which only
// misses zero by binary rounding never reads "-0.00".
QString currencyText(double value, const QLocale& locale);

// The same in the system locale, the one the clerk's desktop runs under.
QString currencyText(double value);

}  // namespace nightaudit
