#pragma once

#include <QFile>
#include <QProcess>
#include <functional>

#include "core/Error.h"

namespace nightaudit::test {

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

// The text of a PDF as pdftotext reads it, or an empty text.
inline QString pdfText(const QString& pdfPath) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {"-layout", pdfPath, "-"});
    process.waitForFinished(15000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// "number description" of the error `action` throws, or "" when it throws none.
inline QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return QString::number(error.number()) + ' ' + QString::fromStdString(error.description());
    }
    return {};
}

}  // namespace nightaudit::test
