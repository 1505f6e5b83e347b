#include <QTest>

#include "core/Error.h"
#include "store/LeadingNumber.h"
#include "store/Value.h"

using namespace nightaudit;

class TestLeadingNumber : public QObject {
    Q_OBJECT
private slots:
    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "750" << 750.0;
        QTest::newRow("letters end it") << "12abc" << 12.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("blanks anywhere") << " 1 5 " << 15.0;
        QTest::newRow("tab and line feed dropped") << "1\t2\n3" << 123.0;
        QTest::newRow("fraction") << "2.5" << 2.5;
        QTest::newRow("negative") << "-2.5" << -2.5;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("comma ends it") << "1,234.50" << 1.0;
        QTest::newRow("currency sign ends it") << "$10" << 0.0;
        QTest::newRow("second period ends it") << "1.2.3" << 1.2;
        QTest::newRow("period without digits") << "12." << 12.0;
        QTest::newRow("word after number") << "7500 twips" << 7500.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("carriage return is not a blank") << "1\r2" << 1.0;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(nightaudit::leadingNumber(text.toStdString()), expected);
    }

    void nullSafeLong_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("750") << "750" << 750;
        QTest::newRow("12abc") << "12abc" << 12;
        QTest::newRow("abc") << "abc" << 0;
        QTest::newRow("2.5 to even") << "2.5" << 2;
        QTest::newRow("3.5 to even") << "3.5" << 4;
        QTest::newRow("-2.5 to even") << "-2.5" << -2;
        QTest::newRow("2.51 up") << "2.51" << 3;
        QTest::newRow("blank 1 blank 5 blank") << " 1 5 " << 15;
        QTest::newRow("largest") << "2147483647" << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << -2147483647 - 1;
    }
    void nullSafeLong() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(NullSafeLong(Value::text(text.toStdString())), expected);
    }

    void nullSafeReadersOfNull() {
        QCOMPARE(NullSafeLong(Value::null()), 0);
        QCOMPARE(NullSafeString(Value::null()), std::string(" "));
        QCOMPARE(NullSafeString(Value::text("")), std::string(""));
        QCOMPARE(NullSafeString(Value::integer(42)), std::string("42"));
        QCOMPARE(NullSafeLong(Value::integer(750)), 750);
    }

    void overflowIsAnError_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("just above") << "2147483648";
        QTest::newRow("just below") << "-2147483649";
        QTest::newRow("huge") << QString(400, '9');
    }
    void overflowIsAnError() {
        QFETCH(QString, text);
        try {
            NullSafeLong(Value::text(text.toStdString()));
            QFAIL("no overflow error");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::Overflow);
        }
    }
};

QTEST_APPLESS_MAIN(TestLeadingNumber)
#include "TestLeadingNumber.moc"
