#include <QTest>

#include "specials/SpecialDates.h"

using nightaudit::SpecialDates;

// The audit day turns at 08:00; the fields are MMDDYY dates around it and its day.
class TestSpecialDates : public QObject {
    Q_OBJECT
private slots:
    void fields_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDate>("auditDay");
        QTest::addColumn<QString>("fields");  // special1, 2, 3, 4, 5, 7
        const auto at = [](int y, int m, int d, int h, int min) {
            return QDateTime(QDate(y, m, d), QTime(h, min));
        };
        QTest::newRow("07:59 is still yesterday") << at(2026, 12, 5, 7, 59) << QDate(2026, 12, 4)
                                                  << "120426 120526 120126 04 120626 120826";
        QTest::newRow("08:00 is today") << at(2026, 12, 5, 8, 0) << QDate(2026, 12, 5)
                                        << "120526 120626 120226 05 120726 120926";
        QTest::newRow("new year's night") << at(2027, 1, 1, 0, 0) << QDate(2026, 12, 31)
                                          << "123126 010127 122826 31 010227 010427";
        QTest::newRow("leap day") << at(2028, 3, 1, 2, 0) << QDate(2028, 2, 29)
                                  << "022928 030128 022628 29 030228 030428";
        QTest::newRow("late evening") << at(2026, 12, 31, 23, 59) << QDate(2026, 12, 31)
                                      << "123126 010127 122826 31 010227 010427";
        QTest::newRow("year 2000 writes 00") << at(2000, 1, 9, 12, 0) << QDate(2000, 1, 9)
                                             << "010900 011000 010600 09 011100 011300";
    }
    void fields() {
        QFETCH(QDateTime, now);
        const SpecialDates d = SpecialDates::at(now);
        QTEST(d.dtAuditDay.date(), "auditDay");
        QCOMPARE(d.dtAuditDay.time(), now.time());
        QTEST(QStringList({d.special1, d.special2, d.special3, d.special4, d.special5, d.special7})
                  .join(' '),
              "fields");
    }
};

QTEST_APPLESS_MAIN(TestSpecialDates)
#include "TestSpecialDates.moc"
