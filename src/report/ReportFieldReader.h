#pragma once

#include <QString>
#include <QStringView>

namespace nightaudit {

// Reads a report as a sequence of fields, not lines:
// - a field ends at a comma or at a line end; a line ends at CR, CR LF, or a bare LF
//   (reports copied on this platform end their lines with LF alone);
// - blanks and tabs in front of a field are skipped;
// - a field that begins with a double quote runs to the next double quote, across
//   commas and line ends, or to the end of the text when none follows; the quotes are
//   not part of the field, and anything between the closing quote and the next comma
//   or line end is dropped;
// - an empty line gives one empty field.
// The comma or line end after a field is consumed with it, so a text that ends with a
// line end is at its end after its last field. The reader keeps a view of the text:
// the text must outlive it.
class ReportFieldReader {
public:
    explicit ReportFieldReader(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    // The next field. Throws Error(err::InputPastEnd) when atEnd().
    QString next();

    // Fields read so far, for error texts.
    int fieldsRead() const { return m_fieldsRead; }

private:
    bool atLineEnd() const;
    void skipDelimiter();

    QStringView m_text;
    qsizetype m_pos = 0;
    int m_fieldsRead = 0;
};

}  // namespace nightaudit
