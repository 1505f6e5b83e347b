// Any bytes as an audit report: the field reader always moves on, ends, and throws past
// the end; an unquoted field holds no delimiter; the totals come back finite and never
// print as "-0.00", or fail with one of their two errors.
#include <QLocale>
#include <cmath>
#include <cstdint>

#include "core/Error.h"
#include "report/CardTotals.h"
#include "report/CurrencyText.h"
#include "report/ReportFieldReader.h"
#include "report/ReportText.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using test::errorOf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = decodeReportText(bytes);
    if (text.size() > bytes.size()) __builtin_trap();  // a byte gives one character at most
    ReportFieldReader reader(text);
    for (int fields = 1; !reader.atEnd(); ++fields) {
        const QString field = reader.next();
        // Each field takes at least one character, or the reader would loop for ever.
        if (fields > text.size() || reader.fieldsRead() != fields) __builtin_trap();
        if (!text.contains(u'"') &&
            (field.contains(u',') || field.contains(u'\n') || field.contains(u'\r')))
            __builtin_trap();
    }
    if (errorOf([&] { reader.next(); }).number != err::InputPastEnd) __builtin_trap();

    CardTotals t;
    const int error = errorOf([&] { t = CardTotals::fromReport(text); }).number;
    if (error != 0 && error != err::InputPastEnd && error != err::InvalidArgument) __builtin_trap();
    for (double v : {t.americanExpress, t.masterCard, t.visa, t.diners, t.sum()}) {
        const QString shown = currencyText(v, QLocale::c());
        if (!std::isfinite(v) || shown.isEmpty() || shown == QLatin1String("-0.00"))
            __builtin_trap();
    }
    return 0;
}
