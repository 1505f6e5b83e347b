#include "PrintPage.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <algorithm>

#include "core/Twips.h"

namespace nightaudit {

namespace {

// Points to pixels at 96 dots per inch.
QFont pageFont(const QStringList& families, double points) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(static_cast<int>(points * 96.0 / 72.0 + 0.5));
    return font;
}

// The page was drawn for "MS Sans Serif"; machines without it fall back to a sans serif
// of similar width.
QFont sansFont(double points) {
    return pageFont(
        {"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "DejaVu Sans"},
        points);
}

QFont serifFont(double points) {
    return pageFont({"Times New Roman", "Liberation Serif", "Nimbus Roman", "DejaVu Serif"},
                    points);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width, int height, const QFont& font,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twipsRectToPixels(left, top, width, height));
    label->setFont(font);
    label->setAlignment(alignment);
    // A fallback font may run wider than the one the page was drawn for: a caption that
    // reads to the right grows that way rather than being cut.
    if (alignment & Qt::AlignLeft) {
        label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
    }
    return label;
}

void paintWhite(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

PrintPage::PrintPage(const QDateTime& loadedAt, const QLocale& locale, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("dlgPrint"));
    setAttribute(Qt::WA_DontShowOnScreen);
    paintWhite(this);
    setFixedSize(twipsToPixels(10230), twipsToPixels(7935));

    dateStamp = makeLabel(this, "lblDateStamp", "Label1", 840, 240, 7695, 255, sansFont(12));
    makeLabel(this, "Label1", "Separator", 90, 1005, 9885, 660, sansFont(24));
    text = makeLabel(this, "lblText", QString(), 90, 1920, 9885, 1290, serifFont(18));
    text->setWordWrap(true);

    cardTotals = new QGroupBox(QStringLiteral("Credit Card Totals"), this);
    cardTotals->setObjectName(QStringLiteral("frmCC"));
    cardTotals->setGeometry(twipsRectToPixels(180, 3405, 9495, 4110));
    paintWhite(cardTotals);
    cardTotals->setFont(sansFont(8));  // the title's size must not depend on the device

    const QFont cardFont = sansFont(13.5);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignTop;
    makeLabel(cardTotals, "Label4", "American Express", 1440, 330, 2325, 360, cardFont);
    americanExpress = makeLabel(cardTotals, "lblAX", "0.00", 4215, 330, 2460, 360, cardFont, right);
    makeLabel(cardTotals, "Label3", "Master Card", 1440, 960, 1515, 360, cardFont);
    masterCard = makeLabel(cardTotals, "lblMC", "0.00", 4215, 960, 2460, 360, cardFont, right);
    makeLabel(cardTotals, "Label2", "Visa", 1440, 1605, 540, 360, cardFont);
    visa = makeLabel(cardTotals, "lblVisa", "0.00", 4215, 1605, 2460, 360, cardFont, right);
    makeLabel(cardTotals, "Label5", "Diners", 1440, 2235, 810, 360, cardFont);
    diners = makeLabel(cardTotals, "lblDiners", "0.00", 4215, 2235, 2460, 360, cardFont, right);
    makeLabel(cardTotals, "Label6", "Total:", 1440, 3615, 690, 360, cardFont);
    total = makeLabel(cardTotals, "lblTotal", "0.00", 4215, 3615, 2460, 360, cardFont, right);

    // A line from (2205, 3090) to (7740, 3090), drawn one pixel thick.
    auto* line = new QFrame(cardTotals);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    line->setGeometry(twipsToPixels(2205), twipsToPixels(3090) - 1,
                      twipsToPixels(7740) - twipsToPixels(2205), 3);

    dateStamp->setText(QStringLiteral("Date/Time: ") +
                       locale.toString(loadedAt, QStringLiteral("dddd , dd,MMM,yyyy - HH:mm")));
}

}  // namespace nightaudit
