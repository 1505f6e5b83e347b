#include "ReportImport.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>

#include "CardTotals.h"
#include "CurrencyText.h"
#include "PrintPage.h"
#include "ReportText.h"
#include "core/Error.h"
#include "playback/PlaybackHost.h"

namespace nightaudit {

namespace {

// The clerk sees which report a parse error belongs to.
[[noreturn]] void rethrowNaming(const Error& error, const QString& fileName) {
    throw Error(error.number(), fileName.toStdString() + ": " + error.description());
}

}  // namespace

ReportImport::ReportImport(std::unique_ptr<Printer> printer, TextSetter setSpecial6, QString folder)
    : m_printer(std::move(printer)),
      m_setSpecial6(std::move(setSpecial6)),
      m_folder(std::move(folder)) {}

ReportImport::ReportImport(std::unique_ptr<Printer> printer, WindowFields& window, QString folder)
    : ReportImport(
          std::move(printer),
          [&window](const QString& text) {
              window.setControlText(QStringLiteral("special6"), text);
          },
          std::move(folder)) {}

QString ReportImport::reportPath(const QString& fileName) const {
    return QDir::cleanPath(QDir(m_folder).absoluteFilePath(fileName));
}

ReportImport::~ReportImport() = default;

PrintPage& ReportImport::printPage() {
    if (!m_page) m_page = std::make_unique<PrintPage>();
    return *m_page;
}

void ReportImport::printText(const QString& text) {
    PrintPage& page = printPage();
    page.text->setText(text);
    page.cardTotals->hide();
    m_printer->print(page);
}

void ReportImport::parseReport(const QString& name) {
    const QString fileName = reportPath(name);
    const QString report = readReportFile(fileName);
    CardTotals totals;
    try {
        totals = CardTotals::fromReport(report);
    } catch (const Error& error) {
        rethrowNaming(error, fileName);
    }

    PrintPage& page = printPage();
    page.americanExpress->setText(currencyText(totals.americanExpress));
    page.masterCard->setText(currencyText(totals.masterCard));
    page.visa->setText(currencyText(totals.visa));
    page.diners->setText(currencyText(totals.diners));
    page.total->setText(currencyText(totals.sum()));
    page.cardTotals->show();
    m_printer->print(page);

    deleteReportFile(fileName);
}

void ReportImport::loadNoShowList(const QString& name) {
    const QString fileName = reportPath(name);
    m_noShows.resetToMarkers();
    const QString report = readReportFile(fileName);
    try {
        m_noShows.readReport(report);
    } catch (const Error& error) {
        rethrowNaming(error, fileName);
    }
    deleteReportFile(fileName);
    m_noShows.restart();
}

void ReportImport::showNextNoShow() {
    const QString entry = m_noShows.current();
    m_setSpecial6(entry);
    m_noShows.advance();
}

}  // namespace nightaudit
