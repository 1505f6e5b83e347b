#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "core/Blanks.h"

namespace nightaudit {

// The property-management application writes its reports as 8-bit text. A file that
// is valid UTF-8 (a leading byte-order mark is dropped) is read as UTF-8; any other
// file as Latin-1, so that every byte still becomes exactly one character and no
// report is refused for its encoding.
QString decodeReportText(const QByteArray& bytes);

// Reads the whole file named as given (no folder is added). Only a regular file of at
// most 16 MiB is read: a FIFO, a directory or a device fails at once, without waiting.
// Throws Error(err::FileNotFound) when there is no such file, Error(err::PathFileAccess)
// when it cannot be read, is no regular file or is too large; the texts name the file.
QString readReportFile(const QString& fileName);

// Deletes the file; throws Error(err::PathFileAccess) naming the reason when it cannot.
void deleteReportFile(const QString& fileName);

}  // namespace nightaudit
