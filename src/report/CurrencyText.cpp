#include "CurrencyText.h"

#include <cmath>

namespace nightaudit {

QString currencyText(double value, const QLocale& locale) {
    double cents = std::round(value * 100.0) / 100.0;
    if (cents == 0.0) cents = 0.0;  // drops the sign of -0.0
    if (locale.language() == QLocale::C || locale.currencySymbol().isEmpty()) {
        QLocale plain = locale;
        plain.setNumberOptions(plain.numberOptions() & ~QLocale::OmitGroupSeparator);
        return plain.toString(cents, 'f', 2);
    }
    return locale.toCurrencyString(cents, locale.currencySymbol(), 2);
}

QString currencyText(double value) {
    return currencyText(value, QLocale::system());
}

}  // namespace nightaudit
