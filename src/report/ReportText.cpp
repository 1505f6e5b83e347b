#include "ReportText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "core/Error.h"

namespace nightaudit {

QString decodeReportText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
}

QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') ++begin;
    while (end > begin && text[end - 1] == u' ') --end;
    return text.sliced(begin, end - begin);
}

QString readReportFile(const QString& fileName) {
    QFile file(fileName);
    if (!QFileInfo::exists(fileName)) {
        throw Error(err::FileNotFound, "File not found: " + fileName.toStdString());
    }
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(err::PathFileAccess, "Path/File access error: " + fileName.toStdString() +
                                             " cannot be read (" +
                                             file.errorString().toStdString() + ")");
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw Error(err::PathFileAccess, "Path/File access error: reading " +
                                             fileName.toStdString() + " failed (" +
                                             file.errorString().toStdString() + ")");
    }
    return decodeReportText(bytes);
}

void deleteReportFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.remove()) {
        throw Error(err::PathFileAccess, "Path/File access error: " + fileName.toStdString() +
                                             " cannot be deleted (" +
                                             file.errorString().toStdString() + ")");
    }
}

}  // namespace nightaudit
