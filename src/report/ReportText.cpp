#include "ReportText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QFile>
#include <QStringDecoder>

#include "core/Error.h"

namespace nightaudit {

QString decodeReportText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
}

namespace {

// A night's audit report is a few hundred KiB; anything near this is not a report.
constexpr qint64 kMaxReportBytes = qint64(16) * 1024 * 1024;

[[noreturn]] void accessError(const QString& fileName, const std::string& why) {
    throw Error(err::PathFileAccess,
                "Path/File access error: " + fileName.toStdString() + " " + why);
}

struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};

}  // namespace

QString readReportFile(const QString& fileName) {
    // O_NONBLOCK: a FIFO without a writer must fail at the check below, not hang the
    // open. The checks run on the opened descriptor, so the name cannot be swapped
    // between the check and the read.
    const int fd =
        ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            throw Error(err::FileNotFound, "File not found: " + fileName.toStdString());
        accessError(fileName, std::string("cannot be read (") + std::strerror(errno) + ")");
    }
    const FdCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        accessError(fileName, "is not a regular file");
    }
    const std::string tooLarge = "is larger than the 16 MiB a report may have";
    if (info.st_size > kMaxReportBytes) accessError(fileName, tooLarge);
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0)
            accessError(fileName, std::string("cannot be read (") + std::strerror(errno) + ")");
        if (got == 0) break;
        bytes.append(buffer, got);
        // Counted again while reading: the file may grow, and /proc files have no size.
        if (bytes.size() > kMaxReportBytes) accessError(fileName, tooLarge);
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
