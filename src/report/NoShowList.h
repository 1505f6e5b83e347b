#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>

namespace nightaudit {

// The no-show guests of the last report loaded, fed one at a time into a field.
//
// Holds 501 texts (indices 0 to 500; index 0 is never filled from a report) and the
// index of the entry to show next. Before the first
// load every entry is empty and the index is 0; a load fills entries 1..n and marks
// every other entry "0", the end of the list.
//
// A report has ten head lines, then one entry per line (columns 7 to 13, blanks
// trimmed) up to the first line that contains "---" anywhere, or the end of the text.
// Lines end at CR, CR LF or a bare LF. The class reads text only; files are the
// caller's business.
class NoShowList {
public:
    static constexpr int Size = 501;
    static constexpr int Capacity = Size - 1;
    static constexpr int HeadLines = 10;

    NoShowList() = default;

    // Every entry becomes "0". The index keeps its value.
    void resetToMarkers();

    // Stores the entries of `reportText` from index 1 on, over what resetToMarkers left.
    // The index keeps its value: call restart() once the load is complete.
    // Throws Error(err::InputPastEnd) when the text has fewer than ten lines, and
    // Error(err::SubscriptOutOfRange) at a 501st entry, entries 1..500 being stored.
    void readReport(QStringView reportText);

    // The next entry to show is entry 1.
    void restart() { m_next = 1; }

    // The entry at the index, the one to show next. After the list's end this is "0",
    // until index 501, which throws Error(err::SubscriptOutOfRange). Showing is split
    // into current() and advance() so that a failure to show leaves the index alone.
    const QString& current() const;
    void advance() { ++m_next; }

    const QString& entry(int index) const { return m_entries.at(static_cast<std::size_t>(index)); }
    std::int16_t nextIndex() const { return m_next; }

private:
    std::array<QString, Size> m_entries{};
    std::int16_t m_next = 0;
};

}  // namespace nightaudit
