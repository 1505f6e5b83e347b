#include "TeachMode.h"

#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>
#include <cmath>

#include "core/Error.h"
#include "core/Rounding.h"
#include "playback/PlaybackState.h"
#include "store/Statements.h"
#include "store/TaskStore.h"

namespace nightaudit {

TeachMode::TeachMode(QTimer& timer, QLineEdit& count, TaskStore& store, const PlaybackState& state,
                     QObject* parent)
    : QObject(parent), m_timer(timer), m_count(count), m_store(store), m_state(state) {
    connect(&m_timer, &QTimer::timeout, this, &TeachMode::tick);
}

std::optional<double> TeachMode::readCount(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)\\s*$"));
    if (!number.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString TeachMode::countText(double count) {
    if (count == std::floor(count) && std::fabs(count) < 1e15) {
        return QString::number(static_cast<qint64>(count));
    }
    return QLocale::c().toString(count, 'g', 15);
}

void TeachMode::toggleStopwatch() {
    if (!m_timer.isActive()) {
        m_count.setText(QStringLiteral("1"));
        m_timer.start();
    } else {
        m_timer.stop();
    }
}

void TeachMode::tick() {
    const std::optional<double> count = readCount(m_count.text());
    m_count.setText(count ? countText(*count + 1) : QStringLiteral("1"));
}

int TeachMode::teachTask() {
    const std::optional<double> count = readCount(m_count.text());
    if (!count) {
        throw Error(err::TypeMismatch, "The teach time \"" + m_count.text().toStdString() +
                                           "\" is not a number of seconds; nothing was stored");
    }
    // A wait cannot be negative: the player would skip it, so it is refused like "abc".
    if (*count < 0) {
        throw Error(err::TypeMismatch, "The teach time " + m_count.text().toStdString() +
                                           " is below zero; nothing was stored");
    }
    const auto ms = roundHalfEvenTo<std::int32_t>(*count * 1000.0, [&] {
        return "The teach time " + m_count.text().toStdString() +
               " seconds is too long to store; nothing was stored";
    });
    const auto wait = std::to_string(ms);
    return m_store.execute(statements::teachUpdate(wait, m_state.keySequenceId));
}

}  // namespace nightaudit
