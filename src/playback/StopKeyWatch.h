#pragma once

#include <QObject>
#include <QTimer>

#include "PlaybackState.h"
#include "Waiter.h"
#include "platform/StopKey.h"

namespace nightaudit {

// Watches the global stop key while a run is under way: a press sets stopRequested and ends the
// countdown showing, so the run stops after the current key, as with the Stop button.
// It looks every few milliseconds while armed, so a press is seen whenever the program
// handles its window events: during a countdown, and between keys.
class StopKeyWatch : public QObject {
    Q_OBJECT
public:
    // Every collaborator must outlive this. A press ends the wait under way through
    // `waiter`; without one it only sets the stop request.
    StopKeyWatch(StopKey& key, PlaybackState& state, Waiter* waiter = nullptr,
                 QObject* parent = nullptr);

    // Catches the key for the run; false when the desktop refused it (the run goes on).
    // A press from before is forgotten.
    bool arm();
    void disarm();

    // Keeps the key armed for one run: from construction to the end of the scope.
    class Run {
    public:
        explicit Run(StopKeyWatch* watch) : m_watch(watch) {
            if (m_watch) m_watch->arm();
        }
        ~Run() {
            if (m_watch) m_watch->disarm();
        }
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        StopKeyWatch* m_watch;
    };

    // Reads the key now; what the timer does.
    void poll();

    // Whether the key was pressed since the watch was last armed.
    bool sawPress() const { return m_sawPress; }

private:
    StopKey& m_key;
    PlaybackState& m_state;
    Waiter* m_waiter;
    QTimer m_timer;
    bool m_sawPress = false;
};

}  // namespace nightaudit
