#pragma once

#include <QFile>
#include <functional>

#include "core/Error.h"

namespace nightaudit::test {

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("write");
}

// "number description" of the error `action` throws, or "".
inline QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return QString::number(error.number()) + ' ' + QString::fromStdString(error.description());
    }
    return {};
}

}  // namespace nightaudit::test
