#pragma once

// Texts typed into the real applications, shared by their test and their benchmark.
#include <QByteArray>
#include <QList>
#include <QString>

namespace nightaudit::test {

const QString kPunctuation = QStringLiteral("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");

// The keystroke text that types `chars`: Enter as ~, the syntax's own characters in braces.
inline QString keysOf(const QString& chars) {
    QString keys;
    for (const QChar c : chars)
        keys += c == '\n'                           ? QString("~")
                : QString("+^%~(){}[]").contains(c) ? "{" + QString(c) + "}"
                                                    : QString(c);
    return keys;
}

// `length` characters drawn (a fixed sequence) from `pool`, in lines of at most 70.
inline QString mix(const QString& pool, int length) {
    const QList<uint> points = pool.toUcs4();
    QString out;
    quint32 state = 2026;
    for (int i = 0; i < length; ++i) {
        state = state * 1664525u + 1013904223u;
        const uint c = (i % 70 == 69) ? '\n' : points[(state >> 8) % points.size()];
        out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
    }
    return out;
}

// What a target's file shows, as typed: no byte-order mark, Enter as \n whatever it became.
inline QString normalized(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    return QString::fromUtf8(bytes.replace("\r\n", "\n").replace('\r', '\n'));
}

}  // namespace nightaudit::test
