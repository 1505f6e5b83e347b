#include <QTest>

#include "specials/SpecialDates.h"

using nightaudit::SpecialDates;

class TestSpecialDates : public QObject {
    Q_OBJECT
private slots:
    void fields_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDate>("auditDay");
        QTest::addColumn<QStringList>("fields");  // special1, 2, 3, 4, 5, 7

        const auto at = [](int y, int m, int d, int h, int min) {
            return QDateTime(QDate(y, m, d), QTime(h, min));
        };
        QTest::newRow("07:59 is still yesterday")
            << at(2026, 12, 5, 7, 59) << QDate(2026, 12, 4)
            << QStringList{"120426", "120526", "120126", "04", "120626", "120826"};
        QTest::newRow("08:00 is today")
            << at(2026, 12, 5, 8, 0) << QDate(2026, 12, 5)
            << QStringList{"120526", "120626", "120226", "05", "120726", "120926"};
        QTest::newRow("midnight on new year's day")
            << at(2027, 1, 1, 0, 0) << QDate(2026, 12, 31)
            << QStringList{"123126", "010127", "122826", "31", "010227", "010427"};
        QTest::newRow("leap day") << at(2028, 3, 1, 2, 0) << QDate(2028, 2, 29)
                                  << QStringList{"022928", "030128", "022628",
                                                 "29",     "030228", "030428"};
        QTest::newRow("late evening")
            << at(2026, 12, 31, 23, 59) << QDate(2026, 12, 31)
            << QStringList{"123126", "010127", "122826", "31", "010227", "010427"};
        QTest::newRow("year 2000 writes 00")
            << at(2000, 1, 9, 12, 0) << QDate(2000, 1, 9)
            << QStringList{"010900", "011000", "010600", "09", "011100", "011300"};
    }

    void fields() {
        QFETCH(QDateTime, now);
        QFETCH(QDate, auditDay);
        QFETCH(QStringList, fields);
        const SpecialDates d = SpecialDates::at(now);
        QCOMPARE(d.dtAuditDay.date(), auditDay);
        QCOMPARE(d.dtAuditDay.time(), now.time());
        const QStringList got{d.special1, d.special2, d.special3,
                              d.special4, d.special5, d.special7};
        QCOMPARE(got, fields);
    }

    void auditDayWeekday() {
        // The tree filters by this weekday: Friday before 08:00 on Saturday 5 Dec 2026.
        QCOMPARE(SpecialDates::at(QDateTime(QDate(2026, 12, 5), QTime(7, 59)))
                     .dtAuditDay.date()
                     .dayOfWeek(),
                 int(Qt::Friday));
        QCOMPARE(SpecialDates::at(QDateTime(QDate(2026, 12, 5), QTime(8, 0)))
                     .dtAuditDay.date()
                     .dayOfWeek(),
                 int(Qt::Saturday));
    }
};

QTEST_APPLESS_MAIN(TestSpecialDates)
#include "TestSpecialDates.moc"
