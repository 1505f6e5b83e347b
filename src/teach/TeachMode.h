#pragma once

#include <QObject>
#include <QString>
#include <optional>

class QLineEdit;
class QTimer;

namespace nightaudit {

class TaskStore;
struct PlaybackState;

// The seconds stopwatch of teach mode: the count lives in the dfnTeach box (so the
// clerk can type over it) and starts at 1; "Teach Task" stores count x 1000 ms as
// the wait after of the current key sequence's last key. It does not decide which
// key sequence is current: the node click and the player set keySequenceId.
class TeachMode : public QObject {
    Q_OBJECT
public:
    TeachMode(QTimer& timer, QLineEdit& count, TaskStore& store, const PlaybackState& state,
              QObject* parent = nullptr);

    // Starts the stopwatch from "1" when it is stopped, stops it (keeping the count) when it runs.
    void toggleStopwatch();
    // One tick: count + 1. A count that is not a number starts again from 1.
    void tick();
    // Writes the taught wait. Throws Error when the count is not a number, is negative or does not
    // fit, before anything is written; a store failure comes through as the store's Error.
    // Returns the number of keys changed.
    int teachTask();

    // The count as a number, when the text is a plain decimal number ("15", "2.5").
    static std::optional<double> readCount(const QString& text);
    // Whole numbers without a decimal point; fractions kept.
    static QString countText(double count);

private:
    QTimer& m_timer;
    QLineEdit& m_count;
    TaskStore& m_store;
    const PlaybackState& m_state;
};

}  // namespace nightaudit
