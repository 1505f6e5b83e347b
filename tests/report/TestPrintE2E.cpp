#include <pwd.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "report/CupsPrinter.h"
#include "report/PrintPage.h"
#include "report/ReportImport.h"
#include "support/ErrorOf.h"
#include "support/WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(30000) && p.exitCode() == 0
               ? QString::fromUtf8(p.readAllStandardOutput())
               : "failed";
}

// Where cups-pdf writes this user's PDFs, as its configuration says (${HOME}: the user's home).
QString pdfFolder() {
    static const QString folder =
        run("sed", {"-n", "s/^Out //p", "/etc/cups/cups-pdf.conf"})
            .trimmed()
            .replace("${HOME}", QString::fromLocal8Bit(getpwuid(geteuid())->pw_dir));
    return folder;
}

// The text of the PDF with `tag` that cups-pdf writes, looked for until `ms` have passed;
// the PDF is removed.
QString printed(const QString& tag, int ms) {
    for (QDeadlineTimer left(ms);; QTest::qWait(250)) {
        for (const QFileInfo& pdf : QDir(pdfFolder()).entryInfoList({"*.pdf"}, QDir::Files)) {
            const QString text = run("pdftotext", {"-layout", pdf.filePath(), "-"});
            if (text.contains(tag)) return QFile::remove(pdf.filePath()), text;
        }
        if (left.hasExpired()) return {};
    }
}

}  // namespace

// Prints on a CUPS queue of the test's own, whose refusals disturb nothing else, and reads
// the pages back from the PDFs that cups-pdf writes.
class TestPrintE2E : public QObject {
    Q_OBJECT
    const QString m_queue = QStringLiteral("NightAuditTest%1").arg(getpid());
    const QString m_tag = QStringLiteral("N%1").arg(QDateTime::currentMSecsSinceEpoch() % 1000000);

private slots:
    void initTestCase() {
        QVERIFY2(geteuid() == 0 && run("sh", {NIGHTAUDIT_SOURCE_DIR "/scripts/setup-printer.sh",
                                              m_queue}) != "failed",
                 "run as root, with cups-pdf installed");
        QVERIFY2(pdfFolder().startsWith('/'), "cups-pdf's configuration names no output folder");
    }
    void cleanupTestCase() { run("lpadmin", {"-x", m_queue}); }

    // A parse-report key's totals sheet, or the refusal (%1: the queue) with the report kept.
    void totalsSheet_data() {
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("error");
        const QString refused =
            "1011 Printing failed: the printer " + m_queue + " refused the job: it is ";
        QTest::newRow("accepted") << QString() << QString();
        QTest::newRow("rejecting jobs") << "cupsreject" << refused + "not accepting jobs";
        QTest::newRow("stopped") << "cupsdisable" << refused + "stopped";
    }
    void totalsSheet() {
        QFETCH(QString, refusal);
        QFETCH(QString, error);
        QTemporaryDir dir;
        std::ofstream(dir.filePath("d2l.txt").toStdString()) << "h,h,h,h,h,h\nPA0ARA 4558.5 0\n";
        ReportImport import(
            std::make_unique<CupsPrinter>(m_queue), [](const QString&) {}, dir.path());
        const QString tag = m_tag + QTest::currentDataTag();
        import.printPage().text->setText(tag);
        if (!refusal.isEmpty()) run(refusal, {m_queue});
        const Thrown e = errorOf([&] { import.parseReport("d2l.txt"); });
        run("cupsaccept", {m_queue}), run("cupsenable", {m_queue});  // before any check fails
        QCOMPARE(e.number ? QString("%1 %2").arg(e.number).arg(e.text).left(error.size()) : "",
                 error);
        QCOMPARE(QFile::exists(dir.filePath("d2l.txt")), !error.isEmpty());
        // A refused job must not come out once the queue takes jobs again: a job sent after it
        // would come out after it.
        if (!error.isEmpty()) {
            std::ofstream(dir.filePath("after.txt").toStdString()) << qPrintable(tag) << " after\n";
            run("lp", {"-d", m_queue, dir.filePath("after.txt")});
            QVERIFY(!printed(tag + " after", 60000).isEmpty());
        }
        const QString text = printed(tag, error.isEmpty() ? 60000 : 0);
        QVERIFY2(error.isEmpty() == text.contains("4,558.50"), qPrintable(text));
    }

    // A page is laid out on the paper the queue is set to; the queue is left on A4.
    void queuePaper_data() {
        QTest::addColumn<int>("paper");
        QTest::newRow("Letter") << int(QPageSize::Letter);
        QTest::newRow("Legal") << int(QPageSize::Legal);
        QTest::newRow("A5") << int(QPageSize::A5);
        QTest::newRow("A4") << int(QPageSize::A4);
    }
    void queuePaper() {
        QFETCH(int, paper);
        const QString name = QTest::currentDataTag();
        QVERIFY(run("lpadmin", {"-p", m_queue, "-o", "PageSize=" + name}) != "failed");
        QCOMPARE(CupsPrinter(m_queue).paper().id(), QPageSize::PageSizeId(paper));
    }

    // The window print is the window as the clerk sees it: the tree, fields and buttons.
    void windowPrint() {
        WindowRig rig;
        CupsPrinter printer(m_queue);
        rig.printer->passTo = &printer;
        rig.window.setControlText("special6", m_tag);
        rig.window.controls().print->click();
        const QString text = printed(m_tag, 60000);
        QStringList seen{"Go", "Next"};
        for (int i = 1; i <= 7; ++i) {
            seen << rig.window.tree().item(i)->text(0)
                 << rig.window.findChild<QLineEdit*>(QStringLiteral("special%1").arg(i))->text();
        }
        for (const QString& expected : seen)
            QVERIFY2(text.contains(expected), qPrintable(expected + " missing from:\n" + text));
    }
};

QTEST_MAIN(TestPrintE2E)
#include "TestPrintE2E.moc"
