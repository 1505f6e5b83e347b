#include <QTest>

#include "specials/SpecialDates.h"

using nightaudit::SpecialDates;

// The audit day turns at 08:00; the fields are MMDDYY dates around it and its day.
class TestSpecialDates : public QObject {
    Q_OBJECT
private slots:
    void fields_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("fields");  // the audit day, then special1, 2, 3, 4, 5, 7
        for (const auto& [now, fields] :
             {std::pair{"2026-12-05T07:59", "2026-12-04 120426 120526 120126 04 120626 120826"},
              {"2026-12-05T08:00", "2026-12-05 120526 120626 120226 05 120726 120926"},
              {"2027-01-01T00:00", "2026-12-31 123126 010127 122826 31 010227 010427"},
              {"2028-03-01T02:00", "2028-02-29 022928 030128 022628 29 030228 030428"},
              {"2000-01-09T12:00", "2000-01-09 010900 011000 010600 09 011100 011300"}})
            QTest::newRow(now) << QDateTime::fromString(now, Qt::ISODate) << fields;
    }
    void fields() {
        QFETCH(QDateTime, now);
        const SpecialDates d = SpecialDates::at(now);
        QCOMPARE(d.auditDay.time(), now.time());
        QTEST(QStringList({d.auditDay.date().toString(Qt::ISODate), d.special1, d.special2,
                           d.special3, d.special4, d.special5, d.special7})
                  .join(' '),
              "fields");
    }
};

QTEST_APPLESS_MAIN(TestSpecialDates)
#include "TestSpecialDates.moc"
