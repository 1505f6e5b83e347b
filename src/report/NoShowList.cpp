#include "NoShowList.h"

#include <string>

#include "ReportText.h"
#include "core/Error.h"

namespace nightaudit {

namespace {

constexpr qsizetype EntryColumn = 6;  // column 7, counted from 1
constexpr qsizetype EntryWidth = 7;

// Reads a text line by line; the line end is not part of the line.
class LineReader {
public:
    explicit LineReader(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    QStringView next() {
        if (atEnd()) {
            throw Error(err::InputPastEnd,
                        "Input past end of file: the no-show report ends after " +
                            std::to_string(m_linesRead) + " lines");
        }
        const qsizetype begin = m_pos;
        while (!atEnd() && m_text[m_pos] != u'\r' && m_text[m_pos] != u'\n') ++m_pos;
        const QStringView line = m_text.sliced(begin, m_pos - begin);
        if (!atEnd() && m_text[m_pos] == u'\r') ++m_pos;
        if (!atEnd() && m_text[m_pos] == u'\n') ++m_pos;
        ++m_linesRead;
        return line;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
    int m_linesRead = 0;
};

}  // namespace

void NoShowList::resetToMarkers() {
    m_entries.fill(QStringLiteral("0"));
}

void NoShowList::readReport(QStringView reportText) {
    LineReader lines(reportText);
    for (int i = 0; i < HeadLines; ++i) lines.next();
    for (int i = 1; !lines.atEnd(); ++i) {
        const QStringView line = lines.next();
        if (line.contains(u"---")) return;
        if (i > Capacity) {
            throw Error(err::SubscriptOutOfRange,
                        "Subscript out of range: the no-show report holds more than " +
                            std::to_string(Capacity) + " entries");
        }
        m_entries[static_cast<std::size_t>(i)] =
            trimBlanks(line.mid(EntryColumn, EntryWidth)).toString();
    }
}

const QString& NoShowList::current() const {
    if (m_next < 0 || m_next >= Size) {
        throw Error(err::SubscriptOutOfRange, "Subscript out of range: no-show entry " +
                                                  std::to_string(m_next) +
                                                  " is past the end of the list");
    }
    return m_entries[static_cast<std::size_t>(m_next)];
}

}  // namespace nightaudit
