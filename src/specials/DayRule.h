#pragma once

#include <QDate>
#include <QString>

namespace nightaudit {

// Which key sequences the tree lists on an audit day. A key sequence whose enableday is
// `enableday` (textOrBlank: " " for Null) is listed when its first three characters
// name the day's abbreviated name in the desktop's locale, in any case, or when it is
// exactly one blank. The names are the desktop's own: a store written with Mon..Sun
// lists those rows on no day under another language.
class DayRule {
public:
    // The first three letters of the day's short name in the desktop's locale, in capitals.
    static QString dayPrefix(const QDate& day);
    // Whether a row with `enableday` is listed on the day whose prefix is `prefix`.
    static bool lists(const QString& enableday, const QString& prefix);
    // Whether a row with `enableday` is listed on any day of the week.
    static bool listsSomeDay(const QString& enableday);
};

}  // namespace nightaudit
