#include <QTest>

#include "ReportTestSupport.h"
#include "report/DefaultPrinter.h"

using namespace nightaudit;

// Runs with CUPS_SERVER pointing at a socket nobody serves: the desktop has no printer.
class TestNoPrinter : public QObject {
    Q_OBJECT
private slots:
    void printingWithoutPrinterSaysSo() {
        dlgPrint page;
        DefaultPrinter printer;
        try {
            printer.print(page);
            QFAIL("printing without a printer reported success");
        } catch (const Error& error) {
            QCOMPARE(error.number(), err::PrintFailed);
            QCOMPARE(error.description(),
                     std::string("Printing failed: No default printer is installed"));
        }
    }
};

QTEST_MAIN(TestNoPrinter)
#include "TestNoPrinter.moc"
