#include "CardTotals.h"

#include <array>
#include <string>

#include "ReportFieldReader.h"
#include "ReportText.h"
#include "core/Error.h"
#include "store/LeadingNumber.h"

namespace nightaudit {

namespace {

constexpr int HeadFields = 6;
constexpr qsizetype CodeLength = 6;
constexpr qsizetype AmountsWindow = 300;
constexpr qsizetype SecondAmountWindow = 200;

struct Code {
    const char16_t* text;
    double CardTotals::*total;
};

// Table order decides when a field holds more than one code.
const std::array<Code, 8> kCodes{{
    {u"PA0ARA", &CardTotals::americanExpress},
    {u"PA0PRA", &CardTotals::americanExpress},
    {u"PA0ARV", &CardTotals::visa},
    {u"PA0PRV", &CardTotals::visa},
    {u"PA0ARM", &CardTotals::masterCard},
    {u"PA0PRM", &CardTotals::masterCard},
    {u"PA0ARD", &CardTotals::diners},
    {u"PA0PRD", &CardTotals::diners},
}};

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

double amountOf(QStringView text) {
    return leadingNumber(text.toUtf8().toStdString());
}

}  // namespace

void CardTotals::addField(QStringView field) {
    for (const Code& code : kCodes) {
        const qsizetype at = field.indexOf(QStringView(code.text), 0, Qt::CaseInsensitive);
        if (at < 0) continue;

        const QStringView amounts = trimBlanks(field.mid(at + CodeLength, AmountsWindow));
        const qsizetype blank = amounts.indexOf(u' ');
        if (blank < 0) {
            throw Error(err::InvalidArgument,
                        "Invalid procedure call or argument: the settlement field \"" +
                            field.toString().toStdString() + "\" has no second amount");
        }
        const QStringView rest = trimBlanks(amounts.mid(blank, SecondAmountWindow));
        qsizetype wordEnd = 0;
        while (wordEnd < rest.size() && !isBlank(rest[wordEnd])) ++wordEnd;

        this->*code.total += amountOf(amounts.first(blank));
        this->*code.total -= amountOf(rest.first(wordEnd));
        return;
    }
}

CardTotals CardTotals::fromReport(QStringView reportText) {
    ReportFieldReader reader(reportText);
    for (int i = 0; i < HeadFields; ++i) reader.next();
    CardTotals totals;
    while (!reader.atEnd()) totals.addField(reader.next());
    return totals;
}

}  // namespace nightaudit
