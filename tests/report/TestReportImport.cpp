#include <sys/stat.h>

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>

#include "ReportTestSupport.h"
#include "report/Printer.h"
#include "report/ReportImport.h"
#include "report/dlgPrint.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const QByteArray kReport =
    "h1,h2,h3,h4,h5,h6\r\nPA0ARA 1234.56 0.06\r\nPA0ARV 100.50 10.25\r\n"
    "\"PA0ARM 5.00 10.00\"\r\n";

// The text the desktop's locale should show: these tests run under C, en_US and de_DE.
QString inLocale(const QString& c, const QString& us, const QString& de) {
    const QString name = QLocale::system().name();
    return name == "en_US" ? us : name == "de_DE" ? de : c;
}

// Each page as "amounts | free text", "-" for hidden totals; refuses when told to.
class RecordingPrinter : public Printer {
public:
    void print(QWidget& page) override {
        if (refuse)
            throw Error(err::PrintFailed, "Printing failed: the printer PDF refused the job");
        auto& form = dynamic_cast<dlgPrint&>(page);
        QStringList amounts{form.lblAX->text(), form.lblMC->text(), form.lblVisa->text(),
                            form.lblDiners->text(), form.lblTotal->text()};
        pages << (form.frmCC->isHidden() ? "-" : amounts.join(" / ")) + " | " +
                     form.lblText->text();
        stamps << form.lblDateStamp->text();
    }
    QStringList pages, stamps;
    bool refuse = false;
};

}  // namespace

class TestReportImport : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    RecordingPrinter* m_printer = nullptr;
    std::unique_ptr<ReportImport> m_import;
    QStringList m_special6;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        // Qt switched the C library to the desktop's locale: make sure it really exists.
        const std::string point = std::localeconv()->decimal_point;
        QVERIFY2(point == QString(QLocale::system().decimalPoint()).toStdString(),
                 "locale not generated: run scripts/install-deps.sh");
    }
    void init() {
        auto printer = std::make_unique<RecordingPrinter>();
        m_printer = printer.get();
        m_special6.clear();
        // Relative names are taken in the folder given, never the working folder.
        m_import = std::make_unique<ReportImport>(
            std::move(printer), [this](const QString& text) { m_special6 << text; }, m_dir.path());
    }

    void moneyInTheDesktopLocale() {
        writeFile(path("d2l.txt"), kReport);
        m_import->printText("Night of the 5th");
        m_import->parseReport("d2l.txt");
        QVERIFY(!QFile::exists(path("d2l.txt")));
        QCOMPARE(
            m_printer->pages.last(),
            inLocale(
                "1,234.50 / -5.00 / 90.25 / 0.00 / 1,319.75",
                "$1,234.50 / ($5.00) / $90.25 / $0.00 / $1,319.75",
                "1.234,50\u00a0€ / -5,00\u00a0€ / 90,25\u00a0€ / 0,00\u00a0€ / 1.319,75\u00a0€") +
                " | Night of the 5th");
        // A sum that misses zero by binary rounding is no negative amount.
        writeFile(path("d2l.txt"), "h,h,h,h,h,h\nPA0ARD 0.10 0.30\nPA0ARD 0.20 0\n");
        m_import->parseReport("d2l.txt");
        QCOMPARE(m_printer->pages.last().section(" / ", 4),
                 inLocale("0.00", "$0.00", "0,00\u00a0€") + " | Night of the 5th");
        m_import->printText("Done");
        QCOMPARE(m_printer->pages.last(), "- | Done");
        QCOMPARE(QSet<QString>(m_printer->stamps.begin(), m_printer->stamps.end()).size(), 1);
        const dlgPrint form(QDateTime(QDate(2024, 3, 5), QTime(7, 9, 30)));
        QCOMPARE(form.lblDateStamp->text(),
                 "Date/Time: " + inLocale("Tuesday , 05,Mar,2024 - 07:09",
                                          "Tuesday , 05,Mar,2024 - 07:09",
                                          "Dienstag , 05,März,2024 - 07:09"));
    }

    // What a failing parse says (%1: the report folder); every failure keeps the report.
    void parseFailures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("pages");
        QTest::newRow("missing") << "r.txt" << QByteArray() << "53 File not found: %1/r.txt" << 0;
        QTest::newRow("five fields")
            << "r.txt" << QByteArray("a,b,c,d,e") << "62 %1/r.txt: Input" << 0;
        QTest::newRow("bad amount")
            << "r.txt" << QByteArray("a,b,c,d,e,f\n\"PA0ARA 1,5 0\"") << "5 %1/r.txt: Invalid" << 0;
        QTest::newRow("print refused")
            << "r.txt" << kReport << "1011 Printing failed: the printer PDF refused" << 0;
        QTest::newRow("FIFO") << "fifo" << QByteArray()
                              << "75 Path/File access error: %1/fifo is not a regular file" << 0;
        QTest::newRow("folder") << "sub/.." << QByteArray()
                                << "75 Path/File access error: %1 is not a regular file" << 0;
        QTest::newRow("20 MiB") << "big.txt" << QByteArray(20 << 20, 'x')
                                << "75 Path/File access error: %1/big.txt is larger than" << 0;
        // Nobody, root included, may delete a file of /proc: printed, then the error.
        QTest::newRow("undeletable")
            << "/proc/self/status" << QByteArray()
            << "75 Path/File access error: /proc/self/status cannot be deleted" << 1;
    }
    void parseFailures() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        QFETCH(int, pages);
        QDir(m_dir.path()).mkdir("sub");
        if (name == "fifo") QCOMPARE(mkfifo(qPrintable(path(name)), 0600), 0);
        if (!content.isEmpty()) writeFile(path(name), content);
        m_printer->refuse = QTest::currentDataTag() == QLatin1String("print refused");
        const QString full = m_dir.path();
        QCOMPARE(errorOf([&] { m_import->parseReport(name); }).left(error.arg(full).size()),
                 error.arg(full));
        QCOMPARE(m_printer->pages.size(), pages);
        if (!content.isEmpty()) QCOMPARE(QFileInfo(path(name)).size(), qint64(content.size()));
        QVERIFY(name == "r.txt" || QFileInfo::exists(m_import->reportPath(name)));
    }

    void noShowList() {
        m_import->showNextNoShow();
        QByteArray report;
        for (int i = 1; i <= 10; ++i) report += "head\r\n";
        writeFile(path("ns.txt"),
                  report + "Room  A12B345 Smith\r\nRes   12\r\n---\r\nRoom  ZZZ\r\n");
        m_import->loadNoShowList("ns.txt");
        QVERIFY(!QFile::exists(path("ns.txt")));
        for (int i = 0; i < 3; ++i) m_import->showNextNoShow();
        QCOMPARE(m_special6, (QStringList{"", "A12B345", "12", "0"}));
        // Failures leave the index alone and the file where it was.
        writeFile(path("ns.txt"), "1\r\n2\r\n");
        for (const char* bad : {"ns.txt", "none.txt", "/proc/self/status"})
            QVERIFY(!errorOf([&] { m_import->loadNoShowList(bad); }).isEmpty());
        QVERIFY(QFile::exists(path("ns.txt")));
        QCOMPARE(m_import->noShowList().nextIndex(), std::int16_t(4));
        while (m_import->noShowList().nextIndex() < 501) m_import->showNextNoShow();
        QCOMPARE(errorOf([&] { m_import->showNextNoShow(); }).left(2), "9 ");
        QCOMPARE(m_special6.size(), 501);
    }
};

QTEST_MAIN(TestReportImport)
#include "TestReportImport.moc"
