// Any bytes as a no-show report: it loads, or fails as its length calls for; entry i is
// columns 7-13 of line 10 + i, trimmed, up to the dashes and 500 entries, "0" after them.
#include <QRegularExpression>
#include <cstdint>

#include "report/NoShowList.h"
#include "report/ReportText.h"
#include "support/ErrorOf.h"

using namespace nightaudit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = decodeReportText(QByteArray(reinterpret_cast<const char*>(data), size));
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // ends the last line
    NoShowList list;
    list.resetToMarkers();
    const int error = test::errorOf([&] { list.readReport(text); }).number;
    const int head = NoShowList::HeadLines;
    int given = 0;  // entries the report gives, up to its dashes
    while (head + given < lines.size() && !lines[head + given].contains(QLatin1String("---")))
        ++given;
    const bool tooLong = given > NoShowList::Capacity;
    if (error != (lines.size() < head ? err::InputPastEnd : tooLong ? err::SubscriptOutOfRange : 0))
        __builtin_trap();
    for (int i = 0; i < NoShowList::Size; ++i) {
        const bool stored = i >= 1 && i <= given && i <= NoShowList::Capacity;
        if (list.entry(i) !=
            (stored ? trimBlanks(QStringView(lines[head + i - 1]).mid(6, 7)) : QStringView(u"0")))
            __builtin_trap();
    }
    return 0;
}
