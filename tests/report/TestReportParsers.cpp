#include <QTest>

#include "ReportTestSupport.h"
#include "report/CardTotals.h"
#include "report/NoShowList.h"
#include "report/ReportFieldReader.h"
#include "report/ReportText.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// Six head fields in one line, as the report starts.
const QString H = QStringLiteral("Audit,Report,Night,01/02/24,Page,1\r\n");

QString noShowReport(const QStringList& lines) {
    QString text;
    for (int i = 1; i <= NoShowList::HeadLines; ++i) text += QStringLiteral("head %1\r\n").arg(i);
    for (const QString& line : lines) text += line + QStringLiteral("\r\n");
    return text;
}

}  // namespace

class TestReportParsers : public QObject {
    Q_OBJECT
private slots:
    void fields_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fields");
        QTest::newRow("commas, CR LF, bare CR, bare LF") << "a,b\r\nc\rd\ne"
                                                         << "a|b|c|d|e";
        QTest::newRow("leading blanks and tabs skipped") << "  a, \tb c \r\n"
                                                         << "a|b c ";
        QTest::newRow("empty line, empty field") << "a\r\n\r\nb,,c,"
                                                 << "a||b||c";
        QTest::newRow("quotes keep commas and line ends") << "\"x, y\r\nz\",w"
                                                          << "x, y\r\nz|w";
        QTest::newRow("text after the closing quote dropped") << "\"q\"tail,n"
                                                              << "q|n";
        QTest::newRow("unclosed quote runs to the end") << "\"open, end"
                                                        << "open, end";
    }
    void fields() {
        QFETCH(QString, text);
        QFETCH(QString, fields);
        ReportFieldReader reader(text);
        QStringList read;
        while (!reader.atEnd()) read << reader.next();
        QCOMPARE(read.join('|'), fields);
    }

    // Totals as "amex/masterCard/visa/diners", or the error's number and text.
    void totals_data() {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("expected");
        QTest::newRow("three counted lines")
            << H + "PA0ARA 100.00 10.00\r\nPA0PRA 50.00 5.00\r\npa0arv 20.00 0.00"
            << "135/0/20/0";
        QTest::newRow("every code")
            << H + "PA0ARA 1 0\r\nPA0PRA 2 0\r\nPA0ARV 4 0\r\nPA0PRV 8 0\r\n"
                   "PA0ARM 16 0\r\nPA0PRM 32 0\r\nPA0ARD 64 0\r\nPA0PRD 128 0"
            << "3/48/12/192";
        QTest::newRow("head never counted, text around codes")
            << "PA0ARA 1 0,PA0ARV 1 0,PA0ARM 1 0,PA0ARD 1 0,x,y\r\nRoom 1 5 6\r\nSet PA0ARM 4 1"
            << "0/3/0/0";
        QTest::newRow("two codes: table order decides") << H + "x PA0PRV 7 1 PA0ARA 30.00 2.00"
                                                        << "28/0/0/0";
        QTest::newRow("cents of both amounts") << H + "PA0ARA 100.50 10.25"
                                               << "90.25/0/0/0";
        QTest::newRow("comma ends a field") << H + "a,PA0ARD 9.00 1.00,PA0ARV 3 0.5,5 5"
                                            << "0/0/2.5/8";
        QTest::newRow("second amount is one word") << H + "PA0ARA   20.00     3.00   99\nPA0ARA 5 1"
                                                   << "21/0/0/0";
        QTest::newRow("negative amounts") << H + "PA0ARV -20.00 -5.00"
                                          << "0/0/-15/0";
        QTest::newRow("grouped amounts read whole")
            << H + "\"PA0ARM 1,234.56 0.00\"\r\n\"PA0ARD 12,345,678.90 1,000\""
            << "0/1234.56/0/12344678.9";
        QTest::newRow("head only") << H << "0/0/0/0";
        QTest::newRow("five fields") << "a,b,c,d,e"
                                     << "62 Input past end";
        QTest::newRow("comma that groups nothing")
            << H + "\"PA0ARV 5 1,5\""
            << "5 Invalid procedure call or argument: the amount \"1,5\"";
        QTest::newRow("bad groups") << H + "\"PA0ARM 1,23.45 0\""
                                    << "5 Invalid procedure call";
        QTest::newRow("amounts in the next field") << H + "PA0ARV,100.00 10.00"
                                                   << "5 Invalid";
        QTest::newRow("only blanks after the amount") << H + "PA0ARV 12    "
                                                      << "5 Invalid";
        QTest::newRow("a long field is quoted in part")
            << H + "PA0ARA " + QString(100, 'A')
            << "5 Invalid procedure call or argument: the settlement field \"PA0ARA " +
                   QString(53, 'A') + "...\" has no second amount";
    }
    void totals() {
        QFETCH(QString, report);
        QFETCH(QString, expected);
        CardTotals t;
        QString got = errorOf([&] { t = CardTotals::fromReport(report); });
        if (got.isEmpty()) {
            got = QStringList{QString::number(t.americanExpress, 'g', 12),
                              QString::number(t.masterCard, 'g', 12),
                              QString::number(t.visa, 'g', 12), QString::number(t.diners, 'g', 12)}
                      .join('/');
            QCOMPARE(t.sum(), t.americanExpress + t.masterCard + t.visa + t.diners);
        }
        // An error is compared as far as the row writes it, totals whole.
        QCOMPARE(got.left(expected.contains(' ') ? expected.size() : got.size()), expected);
    }

    void decodesUtf8AndFallsBackToLatin1() {
        QCOMPARE(decodeReportText(QByteArray("Jos\xc3\xa9")), QStringLiteral("José"));
        QCOMPARE(decodeReportText(QByteArray("Jos\xe9")), QStringLiteral("José"));
        QCOMPARE(decodeReportText(QByteArray("\xef\xbb\xbfPA0")), QStringLiteral("PA0"));
    }

    // Entries 1 to 4 and 500, and the number of the error the load ends with (0: none).
    void noShowEntries_data() {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<int>("error");
        QStringList many;
        for (int i = 1; i <= 501; ++i) many << QStringLiteral("xxxxxx%1").arg(i);
        QTest::newRow("example") << noShowReport(
                                        {"Room  A12B345 Smith", "Res   12   ", "--------", "x"})
                                 << "A12B345|12|0|0|0" << 0;
        QTest::newRow("no dashes: read to the end, short line empty")
            << noShowReport({"xxxxxxABCDEFGHIJ", "abc", "yyyyyy 1"}) << "ABCDEFG||1|0|0" << 0;
        QTest::newRow("dashes anywhere end it, two do not")
            << noShowReport({"aa--aa1", "x --- y", "bbbbbb2"}) << "1|0|0|0|0" << 0;
        QTest::newRow("dashes first") << noShowReport({"---", "cccccc3"}) << "0|0|0|0|0" << 0;
        QTest::newRow("CR, LF and CR LF end lines")
            << "1\n2\r3\r\n4\n5\n6\n7\n8\n9\n10\nabcdef1\rabcdef2\n"
            << "1|2|0|0|0" << 0;
        QTest::newRow("nine head lines") << "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n"
                                         << "0|0|0|0|0" << err::InputPastEnd;
        QTest::newRow("500 entries fit") << noShowReport(many.mid(0, 500)) << "1|2|3|4|500" << 0;
        QTest::newRow("501 entries")
            << noShowReport(many) << "1|2|3|4|500" << err::SubscriptOutOfRange;
    }
    void noShowEntries() {
        QFETCH(QString, report);
        QFETCH(QString, entries);
        QFETCH(int, error);
        NoShowList list;
        list.resetToMarkers();
        QCOMPARE(errorOf([&] { list.readReport(report); }).section(' ', 0, 0).toInt(), error);
        const QStringList got{list.entry(1), list.entry(2), list.entry(3), list.entry(4),
                              list.entry(500)};
        QCOMPARE(got.join('|'), entries);
        QCOMPARE(list.entry(0), QStringLiteral("0"));
        QCOMPARE(list.nextIndex(), std::int16_t(0));
    }
};

QTEST_GUILESS_MAIN(TestReportParsers)
#include "TestReportParsers.moc"
