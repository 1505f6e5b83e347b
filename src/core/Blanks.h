#pragma once

#include <QStringView>

namespace nightaudit {

// Removes blanks (U+0020 only) at both ends. Tabs and line ends stay: in a key text a tab
// at either end is part of the text, and a report's columns are padded with blanks alone.
inline QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') ++begin;
    while (end > begin && text[end - 1] == u' ') --end;
    return text.sliced(begin, end - begin);
}

}  // namespace nightaudit
