#include <sys/stat.h>

#include <QGroupBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>

#include "report/CardTotals.h"
#include "report/PrintPage.h"
#include "report/ReportImport.h"
#include "support/ErrorOf.h"

using namespace nightaudit;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("write");
}

// "number description" of the error `action` throws, or "".
template <class Action>
QString errorOf(Action&& action) {
    const test::Thrown e = test::errorOf(action);
    return e.number ? QString::number(e.number) + ' ' + e.text : QString();
}

const QString H = QStringLiteral("Audit,Report,Night,01/02/24,Page,1\r\n");

// What the desktop's locale writes: these tests run under C, en_US and de_DE.
QString inLocale(const QString& c, const QString& us, const QString& de) {
    const QString name = QLocale::system().name();
    return name == "en_US" ? us : name == "de_DE" ? de : c;
}

struct CountingPrinter : Printer {  // test_print_e2e reads real pages back
    int pages = 0;
    void print(QWidget&) override { ++pages; }
};

}  // namespace

class TestReport : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    CountingPrinter* m_printer = nullptr;
    std::unique_ptr<ReportImport> m_import;
    QStringList m_special6;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY2(*std::localeconv()->decimal_point == QLocale::system().decimalPoint(),
                 "the C library is not in the desktop's locale: run scripts/install-deps.sh");
    }
    void init() {
        auto printer = std::make_unique<CountingPrinter>();
        m_printer = printer.get();
        // Relative names are taken in the folder given, never in the working folder.
        m_import = std::make_unique<ReportImport>(
            std::move(printer), [this](const QString& text) { m_special6 << text; }, m_dir.path());
    }

    // Totals as "amex/masterCard/visa/diners", or the error's number and text.
    void totals_data() {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const QString& report, const QString& expected) {
            QTest::newRow(tag) << report << expected;
        };
        row("every code; of two, table order decides",
            H + "PA0ARA 1 0\nPA0PRA 2 0\nPA0ARV 4 0\nPA0PRV 8 0\nPA0ARM 16 0\nPA0PRM 32 0\n"
                "PA0ARD 64 0\nPA0PRD 128 0\nx PA0PRV 7 1 PA0ARA 30 2",
            "31/48/12/192");
        // Six head fields, codes in them never counted: a wrong field end moves the head.
        row("CR LF, bare CR, LF and an empty line end fields; text around codes",
            "PA0ARA 1 0,PA0ARV 1 0\r\nPA0ARM 1 0\rPA0ARD 1 0\n\nx\nSet PA0ARM 4 1", "0/3/0/0");
        row("quotes: commas inside, text after dropped, unclosed to the end",
            H + "\"PA0ARV 5 1,x\"PA0ARA 9 0\n\"PA0ARM 7 1, PA0ARD 5 0", "0/6/4/0");
        row("grouped amounts read whole",
            H + "\"PA0ARM 1,234.56 0.00\"\r\n\"PA0ARD 12,345,678.90 1,000\"",
            "0/1234.56/0/12344678.9");
        row("five fields", "a,b,c,d,e", "62 Input past end");
        row("comma that groups nothing", H + "\"PA0ARV 5 1,5\"",
            "5 Invalid procedure call or argument: the amount \"1,5\"");
        row("a long field is quoted in part", H + "PA0ARA " + QString(100, 'A'),
            "5 Invalid procedure call or argument: the settlement field \"PA0ARA " +
                QString(53, 'A') + "...\" has no second amount");
    }
    void totals() {
        QFETCH(QString, report);
        QFETCH(QString, expected);
        CardTotals t;
        QString got = errorOf([&] { t = CardTotals::fromReport(report); });
        QStringList totals;
        for (double v : {t.americanExpress, t.masterCard, t.visa, t.diners})
            totals << QString::number(v, 'g', 12);
        if (got.isEmpty()) got = totals.join('/');
        // An error is compared as far as the row writes it, totals whole.
        QCOMPARE(got.left(expected.contains(' ') ? expected.size() : got.size()), expected);
    }

    void moneyInTheDesktopLocale() {
        // A diners total that misses zero by binary rounding must not read as negative.
        writeFile(path("d2l.txt"), H.toLatin1() +
                                       "PA0ARA 1234.56 0.06\nPA0ARV 100.50 10.25\n"
                                       "\"PA0ARM 5.00 10.00\"\nPA0ARD 0.30 0.10\nPA0ARD 0 0.20\n");
        m_import->printText("Night of the 5th");
        m_import->parseReport("d2l.txt");
        const PrintPage& f = m_import->printPage();
        QCOMPARE(QStringList({f.americanExpress->text(), f.masterCard->text(), f.visa->text(),
                              f.diners->text(), f.total->text(), f.text->text()})
                     .join(" / "),
                 inLocale("1,234.50 / -5.00 / 90.25 / 0.00 / 1,319.75 / Night of the 5th",
                          "$1,234.50 / ($5.00) / $90.25 / $0.00 / $1,319.75 / Night of the 5th",
                          QString("1.234,50 € / -5,00 € / 90,25 € / 0,00 € / 1.319,75 € / Night of "
                                  "the 5th")
                              .replace(" €", "\u00a0€")));
        m_import->printText("Done");  // a text page shows no totals
        QVERIFY(f.cardTotals->isHidden() && f.text->text() == "Done");
        QCOMPARE(m_printer->pages, 3);
        const QString en = "Date/Time: Tuesday , 05,Mar,2024 - 07:09";
        QCOMPARE(PrintPage(QDateTime(QDate(2024, 3, 5), QTime(7, 9))).dateStamp->text(),
                 inLocale(en, en, "Date/Time: Dienstag , 05,März,2024 - 07:09"));
    }

    // The error of a failed parse (%1: the report folder); each failure keeps the report.
    void parseFailures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* tag, const char* name, const QByteArray& content,
                            const char* error) { QTest::newRow(tag) << name << content << error; };
        row("missing", "r.txt", "", "53 File not found: %1/r.txt");
        row("bad amount", "r.txt", "a,b,c,d,e,f\n\"PA0ARA 1,5 0\"", "5 %1/r.txt: Invalid");
        row("FIFO", "fifo", "", "75 Path/File access error: %1/fifo is not a regular file");
        row("20 MiB", "big.txt", QByteArray(20 << 20, 'x'),
            "75 Path/File access error: %1/big.txt is larger than");
    }
    void parseFailures() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        error = error.arg(m_dir.path());
        if (name == "fifo") QCOMPARE(mkfifo(qPrintable(path(name)), 0600), 0);
        if (!content.isEmpty()) writeFile(path(name), content);
        QCOMPARE(errorOf([&] { m_import->parseReport(name); }).left(error.size()), error);
        // The no-show list reads its files alike; its failed load keeps the index at 0.
        if (!error.startsWith("5 "))
            QCOMPARE(errorOf([&] { m_import->loadNoShowList(name); }).left(3), error.left(3));
        QCOMPARE(m_import->noShowList().nextIndex(), std::int16_t(0));
        QCOMPARE(m_printer->pages, 0);
        if (!content.isEmpty()) QCOMPARE(QFileInfo(path(name)).size(), qint64(content.size()));
        QCOMPARE(QFileInfo::exists(m_import->reportPath(name)), !error.startsWith("53"));
    }

    void noShowList() {
        writeFile(path("ns.txt"), (QString("head\r\n").repeated(NoShowList::HeadLines) +
                                   "Room  A12B345\r\nRes   Müller\r\n---\r\n")
                                      .toLatin1());
        m_import->loadNoShowList("ns.txt");
        QVERIFY(!QFile::exists(path("ns.txt")));
        for (int i = 0; i < 3; ++i) m_import->showNextNoShow();
        QCOMPARE(m_special6, (QStringList{"A12B345", "Müller", "0"}));  // a Latin-1 report
        while (m_import->noShowList().nextIndex() < 501) m_import->showNextNoShow();
        QCOMPARE(errorOf([&] { m_import->showNextNoShow(); }).left(2), "9 ");
        QCOMPARE(m_special6.size(), 500);
    }
};

QTEST_MAIN(TestReport)
#include "TestReport.moc"
