// Any bytes as a no-show report: the list loads, or fails with the error its length
// calls for; entry i is columns 7-13 of the report's line 10 + i with blanks trimmed, up
// to the dashes and at most 500 entries, "0" after them; the walk ends with the
// subscript error at index 501.
#include <QRegularExpression>
#include <cstdint>

#include "core/Error.h"
#include "report/NoShowList.h"
#include "report/ReportText.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using test::errorOf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = decodeReportText(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // ends the last line
    NoShowList list;
    list.resetToMarkers();
    const int error = errorOf([&] { list.readReport(text); }).number;

    const int head = NoShowList::HeadLines;
    int given = 0;  // entries the report gives, up to its dashes
    while (head + given < lines.size() && !lines[head + given].contains(QLatin1String("---")))
        ++given;
    const bool tooShort = lines.size()<head, tooLong = given> NoShowList::Capacity;
    if (error != (tooShort ? err::InputPastEnd : tooLong ? err::SubscriptOutOfRange : 0))
        __builtin_trap();
    for (int i = 0; i < NoShowList::Size; ++i) {
        const bool stored = i >= 1 && i <= given && i <= NoShowList::Capacity;
        const QString want = stored
                                 ? trimBlanks(QStringView(lines[head + i - 1]).mid(6, 7)).toString()
                                 : QStringLiteral("0");
        if (list.entry(i) != want) __builtin_trap();
    }

    list.restart();
    for (int i = 1; i < NoShowList::Size; ++i, list.advance())
        if (&list.current() != &list.entry(i)) __builtin_trap();
    if (errorOf([&] { list.current(); }).number != err::SubscriptOutOfRange) __builtin_trap();
    return 0;
}
