#include "ReportFieldReader.h"

#include "core/Error.h"

namespace nightaudit {

bool ReportFieldReader::atLineEnd() const {
    const QChar c = m_text[m_pos];
    return c == u'\r' || c == u'\n';
}

void ReportFieldReader::skipDelimiter() {
    if (atEnd()) return;
    if (m_text[m_pos] == u'\r') {
        ++m_pos;
        if (!atEnd() && m_text[m_pos] == u'\n') ++m_pos;
    } else {
        ++m_pos;  // a comma or a bare LF
    }
}

QString ReportFieldReader::next() {
    if (atEnd()) {
        throw Error(err::InputPastEnd, "Input past end of file: the report ends after " +
                                           std::to_string(m_fieldsRead) + " fields");
    }
    while (!atEnd() && (m_text[m_pos] == u' ' || m_text[m_pos] == u'\t')) ++m_pos;

    QString field;
    if (!atEnd() && m_text[m_pos] == u'"') {
        const qsizetype close = m_text.indexOf(u'"', m_pos + 1);
        const qsizetype end = close < 0 ? m_text.size() : close;
        field = m_text.sliced(m_pos + 1, end - m_pos - 1).toString();
        m_pos = close < 0 ? end : close + 1;
        while (!atEnd() && m_text[m_pos] != u',' && !atLineEnd()) ++m_pos;
    } else {
        const qsizetype begin = m_pos;
        while (!atEnd() && m_text[m_pos] != u',' && !atLineEnd()) ++m_pos;
        field = m_text.sliced(begin, m_pos - begin).toString();
    }
    skipDelimiter();
    ++m_fieldsRead;
    return field;
}

}  // namespace nightaudit
