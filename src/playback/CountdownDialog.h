#pragma once

#include <cstdint>
#include <functional>

#include <QDialog>

#include "Countdown.h"
#include "PlaybackState.h"

class QLabel;
class QPushButton;
class QTimer;

namespace nightaudit {

// The modal countdown shown for every wait of a second or more. Created afresh for
// each wait; it ends itself when the count runs out, or when the clerk presses Stop
// or closes the window, which both ask the run to stop. The same window, with a notice in
// place of the count, waits for a condition (a key the clerk holds down).
class CountdownDialog : public QDialog {
    Q_OBJECT
public:
    // Result codes of exec(): the count ran out or the window was closed, or Stop.
    enum Outcome { Finished = QDialog::Rejected, Stopped = QDialog::Accepted };

    CountdownDialog(PlaybackState& state, std::int32_t seconds, QWidget* parent = nullptr);
    // Shows `notice` and ends (Finished) once `ready` returns true.
    CountdownDialog(PlaybackState& state, const QString& notice, std::function<bool()> ready,
                    QWidget* parent = nullptr);

    // One timer tick: a second less to wait, or the condition asked again.
    void tick();
    // Stop: the run is asked to stop and the wait ends.
    void stop();

protected:
    // Escape does not end a wait: only the count, Stop or the window manager do.
    void keyPressEvent(QKeyEvent* event) override;
    // Closing the window is the clerk's way out, as Stop is.
    void closeEvent(QCloseEvent* event) override;

private:
    PlaybackState& m_state;
    Countdown m_countdown;
    QLabel* m_label;
    QPushButton* m_stop;
    QTimer* m_timer;
    std::function<bool()> m_ready;
};

}  // namespace nightaudit
