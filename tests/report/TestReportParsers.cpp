#include <QTest>

#include "core/Error.h"
#include "report/CardTotals.h"
#include "report/NoShowList.h"
#include "report/ReportFieldReader.h"
#include "report/ReportText.h"

using namespace nightaudit;

namespace {

// Six head fields in one line, as the report starts.
const QString kHead = QStringLiteral("Audit,Report,Night,01/02/24,Page,1\r\n");

QStringList allFields(const QString& text) {
    ReportFieldReader reader(text);
    QStringList fields;
    while (!reader.atEnd()) fields << reader.next();
    return fields;
}

int errorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.number();
    }
    return 0;
}

// Ten head lines, then the given lines, CR LF after each.
QString noShowReport(const QStringList& lines) {
    QString text;
    for (int i = 1; i <= NoShowList::HeadLines; ++i) text += QStringLiteral("head %1\r\n").arg(i);
    for (const QString& line : lines) text += line + QStringLiteral("\r\n");
    return text;
}

QStringList entriesUpTo(const NoShowList& list, int last) {
    QStringList entries;
    for (int i = 1; i <= last; ++i) entries << list.entry(i);
    return entries;
}

}  // namespace

class TestReportParsers : public QObject {
    Q_OBJECT
private slots:
    void fields_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("commas and CR LF") << "a,b\r\nc" << QStringList{"a", "b", "c"};
        QTest::newRow("bare CR ends a line") << "a\rb\r" << QStringList{"a", "b"};
        QTest::newRow("bare LF ends a line") << "a\nb\n" << QStringList{"a", "b"};
        QTest::newRow("leading blanks and tabs skipped") << "  a, \tb c \r\n"
                                                         << QStringList{"a", "b c "};
        QTest::newRow("empty line gives one empty field")
            << "a\r\n\r\nb" << QStringList{"a", "", "b"};
        QTest::newRow("empty fields between commas") << "a,,b" << QStringList{"a", "", "b"};
        QTest::newRow("quoted field keeps commas and line ends")
            << "\"x, y\r\nz\",w" << QStringList{"x, y\r\nz", "w"};
        QTest::newRow("text after the closing quote dropped")
            << "\"q\"tail,next" << QStringList{"q", "next"};
        QTest::newRow("unclosed quote runs to the end")
            << "\"open, end" << QStringList{"open, end"};
        QTest::newRow("trailing comma ends the last field") << "a," << QStringList{"a"};
        QTest::newRow("empty text") << "" << QStringList{};
    }
    void fields() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(allFields(text), expected);
    }

    void readingPastTheEndFails() {
        const QString text = QStringLiteral("a\r\n");
        ReportFieldReader reader(text);
        reader.next();
        QVERIFY(reader.atEnd());
        QCOMPARE(errorNumberOf([&] { reader.next(); }), err::InputPastEnd);
    }

    void totals_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<double>("amex");
        QTest::addColumn<double>("masterCard");
        QTest::addColumn<double>("visa");
        QTest::addColumn<double>("diners");
        QTest::newRow("three counted lines")
            << "PA0ARA 100.00 10.00\r\nPA0PRA 50.00 5.00\r\npa0arv 20.00 0.00\r\n"
            << 135.0 << 0.0 << 20.0 << 0.0;
        QTest::newRow("every code")
            << "PA0ARA 1 0\r\nPA0PRA 2 0\r\nPA0ARV 4 0\r\nPA0PRV 8 0\r\n"
               "PA0ARM 16 0\r\nPA0PRM 32 0\r\nPA0ARD 64 0\r\nPA0PRD 128 0\r\n"
            << 3.0 << 48.0 << 12.0 << 192.0;
        QTest::newRow("two codes count once, table order decides")
            << "x PA0PRV 7 1 PA0ARA 30.00 2.00\r\n"
            << 28.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("field without a code") << "Room 101 100.00 5\r\n"
                                              << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("code with text in front") << "Settle PA0ARM 12.50 2.50\r\n"
                                                 << 0.0 << 10.0 << 0.0 << 0.0;
        QTest::newRow("comma ends the amounts") << "PA0ARV 100.00 10.00,5 5\r\n"
                                                << 0.0 << 0.0 << 90.0 << 0.0;
        QTest::newRow("several fields on a line") << "a,PA0ARD 9.00 1.00,PA0ARV 3.00 0.50\r\n"
                                                  << 0.0 << 0.0 << 2.5 << 8.0;
        QTest::newRow("quoted field") << "\"PA0ARA 1,000.00 0\"\r\n" << 1.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("second amount is one word") << "PA0ARA 20.00 10.00 5\r\n"
                                                   << 10.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("more blanks before the second amount") << "PA0ARA   20.00     3.00   99\r\n"
                                                              << 17.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("negative amounts") << "PA0ARV -20.00 -5.00\r\n"
                                          << 0.0 << 0.0 << -15.0 << 0.0;
        QTest::newRow("head only") << "" << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("LF line ends") << "PA0ARA 5 1\nPA0ARA 5 1\n" << 8.0 << 0.0 << 0.0 << 0.0;
    }
    void totals() {
        QFETCH(QString, body);
        QFETCH(double, amex);
        QFETCH(double, masterCard);
        QFETCH(double, visa);
        QFETCH(double, diners);
        const CardTotals totals = CardTotals::fromReport(kHead + body);
        QCOMPARE(totals.americanExpress, amex);
        QCOMPARE(totals.masterCard, masterCard);
        QCOMPARE(totals.visa, visa);
        QCOMPARE(totals.diners, diners);
        QCOMPARE(totals.sum(), amex + masterCard + visa + diners);
    }

    void headIsNeverCounted() {
        const CardTotals totals = CardTotals::fromReport(
            QStringLiteral("PA0ARA 1 0,PA0ARV 1 0,PA0ARM 1 0,PA0ARD 1 0,PA0PRA x,PA0PRD y\r\n"
                           "PA0ARM 4 1\r\n"));
        QCOMPARE(totals.americanExpress, 0.0);
        QCOMPARE(totals.visa, 0.0);
        QCOMPARE(totals.diners, 0.0);
        QCOMPARE(totals.masterCard, 3.0);
    }

    void totalsErrors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::newRow("five fields") << "a,b,c,d,e\r\n" << err::InputPastEnd;
        QTest::newRow("empty report") << "" << err::InputPastEnd;
        QTest::newRow("no second amount") << kHead + "PA0ARA 100.00\r\n" << err::InvalidArgument;
        QTest::newRow("amounts in the next field") << kHead + "PA0ARV,100.00 10.00\r\n"
                                                   << err::InvalidArgument;
        QTest::newRow("nothing after the code") << kHead + "PA0ARV\r\n" << err::InvalidArgument;
        QTest::newRow("only blanks after the code") << kHead + "PA0ARV 12    \r\n"
                                                    << err::InvalidArgument;
    }
    void totalsErrors() {
        QFETCH(QString, text);
        QFETCH(int, number);
        QCOMPARE(errorNumberOf([&] { CardTotals::fromReport(text); }), number);
    }

    void decodesUtf8AndFallsBackToLatin1() {
        QCOMPARE(decodeReportText(QByteArray("Jos\xc3\xa9")), QStringLiteral("José"));
        QCOMPARE(decodeReportText(QByteArray("Jos\xe9")), QStringLiteral("José"));
        QCOMPARE(decodeReportText(QByteArray("\xef\xbb\xbfPA0")), QStringLiteral("PA0"));
    }

    void noShowListBeforeAnyLoadIsEmpty() {
        NoShowList list;
        QCOMPARE(list.nextIndex(), std::int16_t(0));
        QCOMPARE(list.current(), QString());
        QCOMPARE(list.entry(500), QString());
    }

    void noShowEntries_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("example") << QStringList{"Room  A12B345 Smith", "Res   12     ", "--------",
                                                "after dashes"}
                                 << QStringList{"A12B345", "12", "0", "0"};
        QTest::newRow("no dashes: read to the end")
            << QStringList{"xxxxxxABCDEFGHIJ", "yyyyyy 1"} << QStringList{"ABCDEFG", "1", "0"};
        QTest::newRow("short line gives an empty entry")
            << QStringList{"abc", "123456X"} << QStringList{"", "X", "0"};
        QTest::newRow("dashes anywhere end the list")
            << QStringList{"aaaaaa1", "x --- y", "bbbbbb2"} << QStringList{"1", "0", "0"};
        QTest::newRow("dashes first") << QStringList{"---", "cccccc3"} << QStringList{"0", "0"};
        QTest::newRow("two dashes do not end it")
            << QStringList{"aa--aa1", "bbbbbb2"} << QStringList{"1", "2"};
        QTest::newRow("head only") << QStringList{} << QStringList{"0"};
    }
    void noShowEntries() {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        NoShowList list;
        list.resetToMarkers();
        list.readReport(noShowReport(lines));
        QCOMPARE(list.entry(0), QStringLiteral("0"));
        QCOMPARE(entriesUpTo(list, expected.size()), expected);
    }

    void noShowLineEnds() {
        NoShowList list;
        list.resetToMarkers();
        list.readReport(QStringLiteral("1\n2\r3\r\n4\n5\n6\n7\n8\n9\n10\nabcdef1\rabcdef2\n"));
        QCOMPARE(entriesUpTo(list, 3), (QStringList{"1", "2", "0"}));
    }

    void noShowShortHeadFails() {
        NoShowList list;
        list.resetToMarkers();
        const QString nineLines = QStringLiteral("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n");
        QCOMPARE(errorNumberOf([&] { list.readReport(nineLines); }), err::InputPastEnd);
    }

    void noShowCapacity_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("number");
        QTest::newRow("500 entries fit") << 500 << 0;
        QTest::newRow("501 entries overflow") << 501 << err::SubscriptOutOfRange;
    }
    void noShowCapacity() {
        QFETCH(int, count);
        QFETCH(int, number);
        QStringList lines;
        for (int i = 1; i <= count; ++i) lines << QStringLiteral("xxxxxx%1").arg(i);
        NoShowList list;
        list.resetToMarkers();
        QCOMPARE(errorNumberOf([&] { list.readReport(noShowReport(lines)); }), number);
        QCOMPARE(list.entry(1), QStringLiteral("1"));
        QCOMPARE(list.entry(500), QStringLiteral("500"));
        QCOMPARE(list.nextIndex(), std::int16_t(0));
    }

    void noShowIndexStopsAt501() {
        NoShowList list;
        list.resetToMarkers();
        list.restart();
        for (int i = 1; i <= 500; ++i) {
            QCOMPARE(list.current(), QStringLiteral("0"));
            list.advance();
        }
        QCOMPARE(list.nextIndex(), std::int16_t(501));
        QCOMPARE(errorNumberOf([&] { list.current(); }), err::SubscriptOutOfRange);
        QCOMPARE(list.nextIndex(), std::int16_t(501));
    }
};

QTEST_GUILESS_MAIN(TestReportParsers)
#include "TestReportParsers.moc"
