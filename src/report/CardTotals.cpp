#include "CardTotals.h"

#include <QRegularExpression>
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

// An error quotes the field only so far: a whole malformed line can be very long.
std::string quoted(QStringView field) {
    constexpr qsizetype Shown = 60;
    const QString shown = field.size() > Shown
                              ? field.first(Shown).toString() + QStringLiteral("...")
                              : field.toString();
    return "\"" + shown.toStdString() + "\"";
}

// An amount of a settlement field. A quoted field may write it with grouping commas
// ("1,234.56"), which are dropped; a comma that does not separate groups of three digits
// ("1,5", "12,34.00") leaves the amount in doubt, and a wrong total is worse than none.
double amountOf(QStringView word, QStringView field) {
    static const QRegularExpression grouped(
        QStringLiteral("^[+-]?[0-9]{1,3}(,[0-9]{3})+(?![0-9,])"));
    static const QRegularExpression comma(QStringLiteral("^[+-]?[0-9]+,[0-9]"));
    QString text = word.toString();
    const QRegularExpressionMatch match = grouped.match(text);
    if (match.hasMatch()) {
        text.replace(0, match.capturedLength(), match.captured().remove(u','));
    } else if (comma.match(text).hasMatch()) {
        throw Error(err::InvalidArgument, "Invalid procedure call or argument: the amount " +
                                              quoted(word) + " in the settlement field " +
                                              quoted(field) + " is no number");
    }
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
                        "Invalid procedure call or argument: the settlement field " +
                            quoted(field) + " has no second amount");
        }
        const QStringView rest = trimBlanks(amounts.mid(blank, SecondAmountWindow));
        qsizetype wordEnd = 0;
        while (wordEnd < rest.size() && !isBlank(rest[wordEnd])) ++wordEnd;

        const double first = amountOf(amounts.first(blank), field);
        const double second = amountOf(rest.first(wordEnd), field);
        this->*code.total += first;
        this->*code.total -= second;
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
