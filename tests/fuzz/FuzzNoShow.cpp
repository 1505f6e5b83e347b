// Any bytes as a no-show report: the list either loads or fails with one of the two
// documented errors; every stored entry is columns 7-13 of its line with blanks
// trimmed (checked against a line split of its own), at most 500 entries are stored,
// and walking the list ends with the subscript error at index 501.
#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "core/Error.h"
#include "report/NoShowList.h"
#include "report/ReportText.h"

using namespace nightaudit;

namespace {

QStringList splitLines(const QString& text) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineEnd);
    // A final line end closes the last line; it does not open an empty one.
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = decodeReportText(bytes);
    const QStringList lines = splitLines(text);

    NoShowList list;
    list.resetToMarkers();
    int error = 0;
    try {
        list.readReport(text);
    } catch (const Error& e) {
        error = e.number();
    }

    qsizetype stored = 0;  // entries the report gives, up to its dashes
    for (qsizetype i = NoShowList::HeadLines; i < lines.size(); ++i, ++stored)
        if (lines[i].contains(QLatin1String("---"))) break;

    if (lines.size() < NoShowList::HeadLines) {
        if (error != err::InputPastEnd) __builtin_trap();
        return 0;
    }
    if (stored > NoShowList::Capacity) {
        if (error != err::SubscriptOutOfRange) __builtin_trap();
        stored = NoShowList::Capacity;
    } else if (error != 0) {
        __builtin_trap();
    }

    if (list.entry(0) != QLatin1String("0")) __builtin_trap();
    for (int i = 1; i < NoShowList::Size; ++i) {
        const QString& entry = list.entry(i);
        if (entry.size() > 7) __builtin_trap();
        if (i <= stored) {
            const QString expected =
                trimBlanks(QStringView(lines[NoShowList::HeadLines + i - 1]).mid(6, 7)).toString();
            if (entry != expected) __builtin_trap();
        } else if (entry != QLatin1String("0")) {
            __builtin_trap();
        }
    }

    list.restart();
    for (int i = 1; i < NoShowList::Size; ++i) {
        if (&list.current() != &list.entry(i)) __builtin_trap();
        list.advance();
    }
    try {
        list.current();
        __builtin_trap();
    } catch (const Error& e) {
        if (e.number() != err::SubscriptOutOfRange) __builtin_trap();
    }
    return 0;
}
