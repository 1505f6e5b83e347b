#include <unistd.h>

#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include "ReportTestSupport.h"
#include "app/WindowRig.h"
#include "report/CupsPrinter.h"
#include "report/ReportImport.h"
#include "report/dlgPrint.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

bool run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

// The text of a PDF holding `needle` that cups-pdf wrote after `since`, polled for up to
// `ms`; the PDF is removed.
QString printed(const QDateTime& since, const QString& needle, int ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        QThread::msleep(250);
        for (QDirIterator it("/root/PDF", {"*.pdf"}, QDir::Files); it.hasNext();) {
            const QFileInfo file(it.next());
            const QString text = file.lastModified() > since ? pdfText(file.filePath()) : QString();
            if (text.contains(needle)) return QFile::remove(file.filePath()), text;
        }
    } while (clock.elapsed() < ms);
    return {};
}

// Makes the queue refuse jobs for a while ("cupsreject", "cupsdisable"); whatever path the
// test takes, it accepts and prints again afterwards.
struct Refusal {
    Refusal(const QString& command, const QString& queue) : queue(queue) {
        if (!command.isEmpty() && !run(command, {queue}))
            qWarning("%s failed", qPrintable(command));
    }
    ~Refusal() { run("cupsaccept", {queue}), run("cupsenable", {queue}); }
    QString queue;
};

}  // namespace

// Prints through real CUPS queues and reads the pages back from the PDFs cups-pdf writes.
// Refusals are played on a queue of the test's own, made here and removed at the end, so
// that nothing else that prints on this machine is disturbed.
class TestPrintE2E : public QObject {
    Q_OBJECT
    const QString m_queue = QStringLiteral("NightAuditTest%1").arg(getpid());
    const QString m_setup = QStringLiteral(NIGHTAUDIT_SOURCE_DIR "/scripts/setup-printer.sh");

private slots:
    void initTestCase() {
        QVERIFY2(geteuid() == 0, "cups-pdf writes to /root/PDF: run as root");
        QVERIFY2(run("sh", {m_setup}) && run("sh", {m_setup, m_queue}), "setup-printer.sh failed");
    }
    void cleanupTestCase() { run("lpadmin", {"-x", m_queue}); }

    // The totals sheet of a parse-report key (%1: the queue).
    void totalsSheet_data() {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("error");
        QTest::newRow("default printer") << ""
                                         << ""
                                         << "";
        QTest::newRow("queue rejecting jobs") << m_queue << "cupsreject"
                                              << "1011 Printing failed: the printer %1 refused";
        QTest::newRow("queue stopped") << m_queue << "cupsdisable"
                                       << "1011 Printing failed: the printer %1 refused";
        QTest::newRow("no such queue") << "NoSuchQueue"
                                       << ""
                                       << "1011 Printing failed: there is";
    }
    void totalsSheet() {
        QFETCH(QString, queue);
        QFETCH(QString, refusal);
        QFETCH(QString, error);
        error.replace("%1", queue);
        QTemporaryDir dir;
        writeFile(dir.filePath("d2l.txt"),
                  "h,h,h,h,h,h\nPA0ARA 4321.09 0.09\nPA0PRV 250.00 12.50\n");
        ReportImport import(
            std::make_unique<CupsPrinter>(queue), [](const QString&) {}, dir.path());
        const QString tag = QStringLiteral("Night %1").arg(QDateTime::currentMSecsSinceEpoch());
        import.printForm().lblText->setText(tag);
        const QDateTime since = QDateTime::currentDateTime();
        {
            const Refusal refused(refusal, m_queue);
            QCOMPARE(errorOf([&] { import.parseReport("d2l.txt"); }).left(error.size()), error);
        }
        QCOMPARE(QFile::exists(dir.filePath("d2l.txt")), !error.isEmpty());
        // A refused job must not come out once the queue takes jobs again.
        const QString text = printed(since, tag, error.isEmpty() ? 25000 : 3000);
        QCOMPARE(text.isEmpty(), !error.isEmpty());
        for (const QString& expected :
             QStringList{"Date/Time:", "Credit Card Totals", "4,321.00", "237.50", "4,558.50"})
            QVERIFY2(!error.isEmpty() || text.contains(expected),
                     qPrintable(expected + " missing from:\n" + text));
    }

    // The window print: the window as the clerk sees it, or the printer's refusal.
    void windowPrint() {
        WindowRig rig;
        CupsPrinter printer(m_queue);
        rig.printer->passTo = &printer;
        const QString tag = QStringLiteral("G%1").arg(QDateTime::currentMSecsSinceEpoch() % 100000);
        rig.window.setControlText("special6", tag);
        rig.click(1);  // its instructions show
        const QDateTime since = QDateTime::currentDateTime();
        rig.window.command(5)->click();
        QVERIFY2(rig.messages().isEmpty(), qPrintable(rig.messages().join('\n')));
        const QString text = printed(since, tag, 25000);
        QStringList seen{"Go", "Check every cashier"};  // "fi" may come back as a ligature
        for (int i = 1; i <= 7; ++i) seen << rig.item(i)->text(0);
        for (int i = 1; i <= 7; ++i)
            seen << rig.window.findChild<QLineEdit*>(QStringLiteral("special%1").arg(i))->text();
        for (const QString& expected : seen)
            QVERIFY2(text.contains(expected), qPrintable(expected + " missing from:\n" + text));

        const Refusal rejecting("cupsreject", m_queue);
        rig.window.command(5)->click();
        const QString refused = "Printing failed: the printer " + m_queue + " refused";
        QCOMPARE(rig.messages().value(0).left(refused.size()), refused);
    }
};

QTEST_MAIN(TestPrintE2E)
#include "TestPrintE2E.moc"
