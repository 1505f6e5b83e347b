#pragma once

#include <cstdint>

#include <QDialog>

#include "Countdown.h"
#include "PlaybackState.h"

class QLabel;
class QPushButton;
class QTimer;

namespace nightaudit {

// The modal countdown shown for every wait of a second or more. Created afresh for
// each wait; it ends itself when the count runs out, when the clerk presses Stop
// (which sets bolStop), or when the window manager closes it (no stop request).
class dlgWait : public QDialog {
    Q_OBJECT
public:
    // Result codes of exec(): the count ran out or the window was closed, or Stop.
    enum Outcome { Finished = QDialog::Rejected, Stopped = QDialog::Accepted };

    dlgWait(PlaybackState& state, std::int32_t seconds, QWidget* parent = nullptr);

    std::int32_t lngWaitPeriod() const { return m_countdown.remaining(); }

public slots:
    void tmrWait_Timer();
    void Command1_Click();

protected:
    // Escape does not end a wait: only the count, Stop or the window manager do.
    void keyPressEvent(QKeyEvent* event) override;

private:
    PlaybackState& m_state;
    Countdown m_countdown;
    QLabel* m_label;
    QPushButton* m_stop;
    QTimer* m_timer;
};

}  // namespace nightaudit
