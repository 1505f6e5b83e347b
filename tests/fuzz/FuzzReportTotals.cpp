// Any bytes as an audit report: the field reader always moves on and ends, the
// totals come back finite or fail with one of the two documented errors, and the
// printed amount is never "-0.00".
#include <QByteArray>
#include <QLocale>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/Error.h"
#include "report/CardTotals.h"
#include "report/CurrencyText.h"
#include "report/ReportFieldReader.h"
#include "report/ReportText.h"

using namespace nightaudit;

namespace {

void checkFields(const QString& text) {
    ReportFieldReader reader(text);
    int fields = 0;
    while (!reader.atEnd()) {
        const QString field = reader.next();
        ++fields;
        // Each field consumes at least one character, so a text has at most as many
        // fields as characters: a reader that stops moving would loop for ever.
        if (fields > text.size() || reader.fieldsRead() != fields) __builtin_trap();
        if (field.size() > text.size()) __builtin_trap();
        // A field never holds the delimiter that ended it unless it was quoted.
        if (!text.contains(u'"') &&
            (field.contains(u',') || field.contains(u'\n') || field.contains(u'\r')))
            __builtin_trap();
    }
    try {
        reader.next();
        __builtin_trap();  // past the end must throw
    } catch (const Error& e) {
        if (e.number() != err::InputPastEnd) __builtin_trap();
    }
}

void checkTotals(const QString& text) {
    try {
        const CardTotals t = CardTotals::fromReport(text);
        for (double v : {t.americanExpress, t.masterCard, t.visa, t.diners, t.sum()})
            if (!std::isfinite(v)) __builtin_trap();
        for (double v : {t.americanExpress, t.masterCard, t.visa, t.diners, t.sum()}) {
            const QString shown = currencyText(v, QLocale::c());
            if (shown.isEmpty() || shown == QLatin1String("-0.00")) __builtin_trap();
        }
    } catch (const Error& e) {
        if (e.number() != err::InputPastEnd && e.number() != err::InvalidArgument) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = decodeReportText(bytes);
    // Every byte is one character at most (UTF-8 sequences shrink, Latin-1 keeps).
    if (text.size() > bytes.size()) __builtin_trap();
    checkFields(text);
    checkTotals(text);
    return 0;
}
