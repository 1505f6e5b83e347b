#pragma once

#include <QString>
#include <QStringView>

namespace nightaudit {

// The credit-card settlement totals of one audit report.
//
// After a head of six fields, every field that holds one of the eight settlement codes
// (PA0ARA, PA0PRA American Express; PA0ARV, PA0PRV Visa; PA0ARM, PA0PRM Master Card;
// PA0ARD, PA0PRD Diners; the first in that order that occurs, ignoring case, decides)
// adds its first amount to the card's total and subtracts its second. The amounts are
// the text after the code (up to 300 characters, blanks trimmed): the first is the
// leading number of the part before the first blank, the second the leading number of
// the next blank-separated word. Only that word counts: digits of a later column must
// not run into the refund ("10.00 5" is 10.00, not 10.005). An amount may carry grouping
// commas ("1,234.56" in a quoted field is 1234.56); other commas in it are an error.
//
// It does not read files, format money or print: it only adds.
struct CardTotals {
    double americanExpress = 0.0;
    double masterCard = 0.0;
    double visa = 0.0;
    double diners = 0.0;

    // American Express + Master Card + Visa + Diners, added in that order.
    double sum() const { return americanExpress + masterCard + visa + diners; }

    // Adds one field of the report; a field with no code changes nothing.
    // Throws Error(err::InvalidArgument) when the text after the code has no blank,
    // so no second amount can be told apart, or an amount has a comma that does not
    // group thousands. Error texts quote at most 60 characters of the field.
    void addField(QStringView field);

    // The totals of a whole report text.
    // Throws Error(err::InputPastEnd) when it holds fewer than six fields, and what
    // addField throws.
    static CardTotals fromReport(QStringView reportText);
};

}  // namespace nightaudit
