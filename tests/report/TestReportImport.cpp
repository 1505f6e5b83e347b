#include <QTemporaryDir>
#include <QTest>

#include "ReportTestSupport.h"
#include "playback/PlaybackHost.h"
#include "report/CurrencyText.h"
#include "report/ReportImport.h"
#include "support/PdfFilePrinter.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const QByteArray kExampleReport =
    "Audit,Report,Night,01/02/24,Page,1\r\n"
    "PA0ARA 100.00 10.00\r\n"
    "PA0PRA 50.00 5.00\r\n"
    "pa0arv 20.00 0.00\r\n";

QByteArray noShowReport(const QList<QByteArray>& lines) {
    QByteArray text;
    for (int i = 1; i <= 10; ++i) text += "head line " + QByteArray::number(i) + "\r\n";
    for (const QByteArray& line : lines) text += line + "\r\n";
    return text;
}

// The main window as far as the no-show list reaches it: its special6 field.
class Special6Host : public PlaybackHost {
public:
    int nodeCount() const override { return 0; }
    QString nodeKey(int) const override { return {}; }
    void ensureNodeVisible(int) override {}
    void markNodePlayed(int) override {}
    int selectedNodeIndex() const override { return 0; }
    void selectNode(int) override {}
    int childCount(int) const override { return 0; }
    int firstChild(int) const override { return 0; }
    int nextSibling(int) const override { return 0; }
    int nodeIndexForKey(const QString&) const override { return 0; }
    QString caption() const override { return {}; }
    void setCaption(const QString&) override {}
    QString controlText(const QString& name) const override { return texts.value(name); }
    void setControlText(const QString& name, const QString& text) override { texts[name] = text; }
    void processEvents() override {}

    QHash<QString, QString> texts;
};

}  // namespace

class TestReportImport : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingPrinter* m_printer = nullptr;
    std::unique_ptr<ReportImport> m_import;
    QStringList m_special6;

    QString path(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        auto printer = std::make_unique<RecordingPrinter>();
        m_printer = printer.get();
        m_special6.clear();
        m_import = std::make_unique<ReportImport>(
            std::move(printer), [this](const QString& text) { m_special6 << text; });
    }
    void cleanup() { m_import.reset(); }

    void currency_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("US grouping") << us << 1234.5 << "$1,234.50";
        QTest::newRow("US negative") << us << -5.0 << "($5.00)";
        QTest::newRow("US zero") << us << 0.0 << "$0.00";
        QTest::newRow("C grouping") << QLocale::c() << 1234.5 << "1,234.50";
        QTest::newRow("C negative") << QLocale::c() << -5.0 << "-5.00";
        QTest::newRow("C millions") << QLocale::c() << 1234567.891 << "1,234,567.89";
        QTest::newRow("C rounding noise is zero")
            << QLocale::c() << (0.1 + 0.2 - 0.3 - 1e-15) << "0.00";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << 1234.5
                                << "1.234,50\u00a0€";
    }
    void currency() {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(currencyText(value, locale), expected);
    }

    void dateStampIsFormattedInTheLocale() {
        const dlgPrint form(QDateTime(QDate(2024, 3, 5), QTime(7, 9, 30)),
                            QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(form.lblDateStamp->text(),
                 QStringLiteral("Date/Time: Tuesday , 05,Mar,2024 - 07:09"));
        QCOMPARE(form.objectName(), QStringLiteral("dlgPrint"));
        QCOMPARE(form.size(), QSize(682, 529));
        QCOMPARE(form.lblTotal->text(), QStringLiteral("0.00"));
        QVERIFY(form.lblTotal->alignment() & Qt::AlignRight);
        QVERIFY(form.lblText->wordWrap());
        QCOMPARE(form.frmCC->geometry(), QRect(12, 227, 633, 274));
    }

    void parseReportPrintsTheTotalsAndDeletesTheReport() {
        writeFile(path("d2l.txt"), kExampleReport);
        m_import->parseReport(path("d2l.txt"));
        QCOMPARE(m_printer->pages->size(), std::size_t(1));
        const PrintedPage& page = m_printer->pages->front();
        QVERIFY(page.totalsShown);
        // The tests run under the C locale: plain amounts.
        QCOMPARE(page.amounts, (QStringList{"135.00", "0.00", "20.00", "0.00", "155.00"}));
        QVERIFY(page.dateStamp.startsWith(QStringLiteral("Date/Time: ")));
        QVERIFY(!QFile::exists(path("d2l.txt")));
    }

    void headOnlyPrintsZeros() {
        writeFile(path("head.txt"), "a,b,c\r\nd,e,f\r\n");
        m_import->parseReport(path("head.txt"));
        QCOMPARE(m_printer->pages->back().amounts,
                 (QStringList{"0.00", "0.00", "0.00", "0.00", "0.00"}));
        QVERIFY(!QFile::exists(path("head.txt")));
    }

    void parseFailuresKeepTheReport_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::addColumn<int>("number");
        QTest::newRow("missing") << QByteArray() << false << err::FileNotFound;
        QTest::newRow("five fields") << QByteArray("a,b,c,d,e\r\n") << true << err::InputPastEnd;
        QTest::newRow("no second amount")
            << QByteArray("a,b,c,d,e,f\r\nPA0ARV 5.00 1\r\nPA0ARA 7.00\r\n") << true
            << err::InvalidArgument;
    }
    void parseFailuresKeepTheReport() {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        QFETCH(int, number);
        writeFile(path("first.txt"), kExampleReport);
        m_import->parseReport(path("first.txt"));
        if (create) writeFile(path("bad.txt"), content);

        QCOMPARE(errorNumberOf([&] { m_import->parseReport(path("bad.txt")); }), number);
        QCOMPARE(m_printer->pages->size(), std::size_t(1));
        QCOMPARE(m_import->printForm().lblAX->text(), QStringLiteral("135.00"));
        QCOMPARE(QFile::exists(path("bad.txt")), create);
        if (create) QCOMPARE(QFile(path("bad.txt")).size(), qint64(content.size()));
    }

    void unreadableReportIsAnAccessError() {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.txt")));
        QCOMPARE(errorNumberOf([&] { m_import->parseReport(path("folder.txt")); }),
                 err::PathFileAccess);
        QVERIFY(m_printer->pages->empty());
    }

    void printFailureKeepsTheReport() {
        writeFile(path("d2l.txt"), kExampleReport);
        m_printer->failWith = "Printing failed: No default printer is installed";
        try {
            m_import->parseReport(path("d2l.txt"));
            QFAIL("the print failure was swallowed");
        } catch (const Error& error) {
            QCOMPARE(error.number(), err::PrintFailed);
            QCOMPARE(error.description(), std::string(m_printer->failWith));
        }
        QCOMPARE(m_import->printForm().lblTotal->text(), QStringLiteral("155.00"));
        QVERIFY(QFile::exists(path("d2l.txt")));
    }

    void deleteFailureComesAfterThePrint() {
        // Nobody, root included, may delete a file of /proc.
        const QString undeletable = QStringLiteral("/proc/self/status");
        QCOMPARE(errorNumberOf([&] { m_import->parseReport(undeletable); }), err::PathFileAccess);
        QCOMPARE(m_printer->pages->size(), std::size_t(1));
        QVERIFY(QFile::exists(undeletable));
    }

    void printTextHidesTheTotalsAndKeepsTheStamp() {
        writeFile(path("d2l.txt"), kExampleReport);
        m_import->printText(QStringLiteral("Run the end of day"));
        m_import->parseReport(path("d2l.txt"));
        m_import->printText(QStringLiteral("Second page"));
        const auto& pages = *m_printer->pages;
        QCOMPARE(pages.size(), std::size_t(3));
        QVERIFY(!pages[0].totalsShown);
        QCOMPARE(pages[0].text, QStringLiteral("Run the end of day"));
        QVERIFY(pages[1].totalsShown);
        QCOMPARE(pages[1].text, QStringLiteral("Run the end of day"));
        QVERIFY(!pages[2].totalsShown);
        QCOMPARE(pages[2].amounts.back(), QStringLiteral("155.00"));
        QCOMPARE(pages[2].dateStamp, pages[0].dateStamp);
    }

    void noShowExample() {
        writeFile(path("ns.txt"), noShowReport({"Room  A12B345 Smith", "Res   12      ", "-------",
                                                "Room  ZZZZZZZ late"}));
        m_import->loadNoShowList(path("ns.txt"));
        QVERIFY(!QFile::exists(path("ns.txt")));
        for (int i = 0; i < 3; ++i) m_import->showNextNoShow();
        QCOMPARE(m_special6, (QStringList{"A12B345", "12", "0"}));
        QCOMPARE(m_import->noShowList().nextIndex(), std::int16_t(4));
    }

    void noShowBeforeAnyLoadShowsEmptyTexts() {
        m_import->showNextNoShow();
        m_import->showNextNoShow();
        QCOMPARE(m_special6, (QStringList{"", ""}));
        QCOMPARE(m_import->noShowList().nextIndex(), std::int16_t(2));
    }

    void shorterSecondLoadLeavesNothingBehind() {
        writeFile(path("ns.txt"), noShowReport({"xxxxxxAAA", "xxxxxxBBB", "xxxxxxCCC"}));
        m_import->loadNoShowList(path("ns.txt"));
        m_import->showNextNoShow();
        writeFile(path("ns.txt"), noShowReport({"xxxxxxDDD"}));
        m_import->loadNoShowList(path("ns.txt"));
        for (int i = 0; i < 3; ++i) m_import->showNextNoShow();
        QCOMPARE(m_special6, (QStringList{"AAA", "DDD", "0", "0"}));
    }

    void noShowFailuresKeepTheIndex_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::addColumn<int>("number");
        QByteArray tooMany = noShowReport({});
        for (int i = 1; i <= 501; ++i) tooMany += "xxxxxx" + QByteArray::number(i) + "\r\n";
        QTest::newRow("missing") << QByteArray() << false << err::FileNotFound;
        QTest::newRow("nine lines") << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n")
                                    << true << err::InputPastEnd;
        QTest::newRow("501 entries") << tooMany << true << err::SubscriptOutOfRange;
    }
    void noShowFailuresKeepTheIndex() {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        QFETCH(int, number);
        writeFile(path("ns.txt"), noShowReport({"xxxxxxAAA", "xxxxxxBBB"}));
        m_import->loadNoShowList(path("ns.txt"));
        m_import->showNextNoShow();
        m_import->showNextNoShow();
        if (create) writeFile(path("bad.txt"), content);

        QCOMPARE(errorNumberOf([&] { m_import->loadNoShowList(path("bad.txt")); }), number);
        QCOMPARE(m_import->noShowList().nextIndex(), std::int16_t(3));
        QCOMPARE(QFile::exists(path("bad.txt")), create);
        // The list was reset before the open: the first report is gone either way.
        if (number == err::SubscriptOutOfRange) {
            QCOMPARE(m_import->noShowList().entry(1), QStringLiteral("1"));
            QCOMPARE(m_import->noShowList().entry(500), QStringLiteral("500"));
        } else {
            QCOMPARE(m_import->noShowList().entry(1), QStringLiteral("0"));
        }
    }

    void noShowDeleteFailureKeepsTheIndex() {
        QCOMPARE(
            errorNumberOf([&] { m_import->loadNoShowList(QStringLiteral("/proc/self/status")); }),
            err::PathFileAccess);
        QCOMPARE(m_import->noShowList().nextIndex(), std::int16_t(0));
        QVERIFY(m_import->noShowList().entry(1) != QStringLiteral("0"));
    }

    void showingPastEntry500Fails() {
        writeFile(path("ns.txt"), noShowReport({}));
        m_import->loadNoShowList(path("ns.txt"));
        for (int i = 0; i < 500; ++i) m_import->showNextNoShow();
        QCOMPARE(errorNumberOf([&] { m_import->showNextNoShow(); }), err::SubscriptOutOfRange);
        QCOMPARE(m_special6.size(), 500);
        QCOMPARE(m_import->noShowList().nextIndex(), std::int16_t(501));
    }

    void hostConstructorFillsSpecial6() {
        Special6Host host;
        ReportImport import(std::make_unique<RecordingPrinter>(), host);
        writeFile(path("ns.txt"), noShowReport({"xxxxxxGUEST01"}));
        import.loadNoShowList(path("ns.txt"));
        import.showNextNoShow();
        QCOMPARE(host.texts.value(QStringLiteral("special6")), QStringLiteral("GUEST01"));
    }

    void printedPdfCarriesTheTexts() {
        const QString pdf = path("page.pdf");
        ReportImport import(std::make_unique<PdfFilePrinter>(pdf), [](const QString&) {});
        writeFile(path("d2l.txt"), "h1,h2,h3,h4,h5,h6\r\nPA0ARM 1234.50 0\r\nPA0ARD 7.25 0.25\r\n");
        import.parseReport(path("d2l.txt"));
        const QString totals = pdfText(pdf);
        for (const char* expected :
             {"Date/Time:", "Separator", "Credit Card Totals", "American Express", "Master Card",
              "Diners", "Total:", "1,234.50", "7.00", "1,241.50"}) {
            QVERIFY2(totals.contains(QLatin1String(expected)), expected);
        }

        import.printText(QStringLiteral("Night audit finished"));
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QLatin1String("Night audit finished")), qPrintable(text));
        QVERIFY(text.contains(QLatin1String("Separator")));
        QVERIFY(text.contains(QLatin1String("Date/Time:")));
        QVERIFY(!text.contains(QLatin1String("Credit Card Totals")));
        QVERIFY(!text.contains(QLatin1String("1,241.50")));
    }
};

QTEST_MAIN(TestReportImport)
#include "TestReportImport.moc"
