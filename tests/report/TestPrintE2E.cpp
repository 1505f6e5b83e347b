#include <unistd.h>

#include <QDateTime>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "ReportTestSupport.h"
#include "report/DefaultPrinter.h"
#include "report/ReportImport.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// cups-pdf writes a root job's pages here.
const QString kOutputDir = QStringLiteral("/root/PDF");

// The PDFs cups-pdf finished after `since`, newest first.
QStringList pdfsAfter(const QDateTime& since) {
    QStringList found;
    QDirIterator it(kOutputDir, {QStringLiteral("*.pdf")}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().lastModified() > since) found << it.filePath();
    }
    return found;
}

}  // namespace

// A parse-report key printed on the default CUPS queue, read back from the PDF it makes.
class TestPrintE2E : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (geteuid() != 0)
            QFAIL("the printing end-to-end test must run as root (cups-pdf, /root/PDF)");
        QProcess setup;
        setup.start(QStringLiteral("sh"),
                    {QStringLiteral(NIGHTAUDIT_SOURCE_DIR "/scripts/setup-printer.sh")});
        QVERIFY2(setup.waitForFinished(30000), "scripts/setup-printer.sh did not finish in 30 s");
        QVERIFY2(setup.exitCode() == 0,
                 qPrintable("scripts/setup-printer.sh could not set up the PDF queue: " +
                            QString::fromLocal8Bit(setup.readAllStandardError())));
        const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
        QVERIFY2(!printer.isNull(), "no default printer after scripts/setup-printer.sh");
        QCOMPARE(printer.printerName(), QStringLiteral("PDF"));
    }

    void totalsSheetArrivesAsPdf() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString report = dir.filePath(QStringLiteral("d2l.txt"));
        writeFile(report,
                  "Audit,Report,Night,01/02/24,Page,1\r\n"
                  "PA0ARA 4321.09 0.09\r\nPA0PRV 250.00 12.50\r\npa0arm 77.70 0.70\r\n");
        const QDateTime marker = QDateTime::currentDateTime();

        ReportImport import(std::make_unique<DefaultPrinter>(), [](const QString&) {});
        import.parseReport(report);
        QVERIFY(!QFile::exists(report));

        // The queue is asynchronous: poll for our page, bounded.
        QString text;
        QString pdf;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 25000 && !text.contains(QLatin1String("4,321.00"))) {
            QThread::msleep(250);
            for (const QString& candidate : pdfsAfter(marker)) {
                const QString candidateText = pdfText(candidate);
                if (candidateText.contains(QLatin1String("4,321.00"))) {
                    text = candidateText;
                    pdf = candidate;
                }
            }
        }
        QVERIFY2(!pdf.isEmpty(), qPrintable("no PDF with the totals appeared in " + kOutputDir +
                                            " within 25 s (lpstat -o shows pending jobs)"));
        for (const char* expected : {"Date/Time:", "Separator", "Credit Card Totals", "4,321.00",
                                     "237.50", "77.00", "4,635.50"}) {
            QVERIFY2(text.contains(QLatin1String(expected)),
                     qPrintable(QString::fromLatin1(expected) + " missing from:\n" + text));
        }
        QFile::remove(pdf);
    }
};

QTEST_MAIN(TestPrintE2E)
#include "TestPrintE2E.moc"
