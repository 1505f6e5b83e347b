#pragma once

#include <QDateTime>
#include <QLocale>
#include <QWidget>

class QGroupBox;
class QLabel;

namespace nightaudit {

// The printable page of the report import: a date stamp, the heading "Separator", a free
// text and the card totals frame. It is never shown on screen; a Printer renders it.
// Laid out in twips at 15 twips per pixel (96 dots per inch), with fonts sized in pixels
// so that the page keeps its proportions on any device it is rendered onto.
//
// The date stamp is set once, when the page is built: every page printed in one run
// of the program carries the same stamp.
class PrintPage : public QWidget {
    Q_OBJECT
public:
    // `loadedAt` and `locale` give the stamp "Date/Time: dddd , dd,MMM,yyyy - HH:mm".
    explicit PrintPage(const QDateTime& loadedAt = QDateTime::currentDateTime(),
                       const QLocale& locale = QLocale::system(), QWidget* parent = nullptr);

    // The controls the report import fills, with their object names.
    QLabel* dateStamp;        // lblDateStamp
    QLabel* text;             // lblText, the free text
    QGroupBox* cardTotals;    // frmCC
    QLabel* americanExpress;  // lblAX
    QLabel* masterCard;       // lblMC
    QLabel* visa;             // lblVisa
    QLabel* diners;           // lblDiners
    QLabel* total;            // lblTotal
};

}  // namespace nightaudit
