#include <QTest>

#include "core/Rounding.h"
#include "store/LeadingNumber.h"
#include "store/Value.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using namespace nightaudit::test;

// The text-to-number rule every stored number goes through, and 32- and 16-bit whole numbers.
class TestLeadingNumber : public QObject {
    Q_OBJECT
private slots:
    void readers() {
        // text, its leading number, and leadingLongOrZero of it (rounded half to even)
        // clang-format off
        const std::tuple<const char*, double, int> rows[] = {
            {"750", 750, 750}, {"12abc", 12, 12}, {"abc", 0, 0}, {" 1 5 ", 15, 15},
            {"1\t2\n3", 123, 123}, {"2.5", 2.5, 2}, {"3.5", 3.5, 4}, {"-2.5", -2.5, -2},
            {"2.51", 2.51, 3}, {"1,234.50", 1, 1}, {"1.2.3", 1.2, 1}, {"", 0, 0}, {"1\r2", 1, 1},
            {"2147483647", 2147483647, 2147483647}, {"-2147483648", -2147483648.0, -2147483647 - 1}};
        // clang-format on
        for (const auto& [text, number, whole] : rows) {
            QCOMPARE(leadingNumber(text), number);
            QCOMPARE(leadingLongOrZero(Value::text(text)), whole);
        }
        for (const char* text : {"2147483648", "-2147483649", "99999999999999999999999999999999"})
            QCOMPARE(errorOf([&] { leadingLongOrZero(Value::text(text)); }).number, err::Overflow);
        QCOMPARE(leadingLongOrZero(Value::null()), 0);
        const auto id = [](double v) {
            return roundHalfEvenTo<std::int16_t>(v, [] { return ""; });
        };
        QCOMPARE(id(32766.5) + id(-32768.4), -2);
        for (double out : {32767.5, -40000.0})
            QCOMPARE(errorOf([&] { id(out); }).number, err::Overflow);
    }
};

QTEST_APPLESS_MAIN(TestLeadingNumber)
#include "TestLeadingNumber.moc"
