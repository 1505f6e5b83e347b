#include "CountdownDialog.h"

#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace nightaudit {

CountdownDialog::CountdownDialog(PlaybackState& state, std::int32_t seconds, QWidget* parent)
    : QDialog(parent),
      m_state(state),
      m_countdown(seconds),
      m_label(new QLabel(this)),
      m_stop(new QPushButton(QStringLiteral("&Stop"), this)),
      m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("dlgWait"));
    setWindowTitle(QStringLiteral("Waiting ...."));
    setModal(true);
    setFixedSize(344, 166);
    setStyleSheet(
        QStringLiteral("QDialog#dlgWait { background-color: #1f3b57; }"
                       "QLabel#Label1 { color: white; }"));

    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setText(m_countdown.label());
    m_label->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSizeF(13.5);
    m_label->setFont(font);

    m_stop->setObjectName(QStringLiteral("Command1"));
    m_stop->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(m_label);
    layout->addWidget(m_stop, 0, Qt::AlignHCenter);

    connect(m_stop, &QPushButton::clicked, this, &CountdownDialog::stop);

    // The timer runs from the moment the dialog exists, before exec() shows it.
    m_timer->setObjectName(QStringLiteral("tmrWait"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &CountdownDialog::tick);
    m_timer->start();
}

CountdownDialog::CountdownDialog(PlaybackState& state, const QString& notice,
                                 std::function<bool()> ready, QWidget* parent)
    : CountdownDialog(state, 0, parent) {
    m_ready = std::move(ready);
    m_label->setText(notice);
    m_label->setWordWrap(true);
    m_timer->setInterval(50);
}

void CountdownDialog::tick() {
    if (m_ready) {
        if (m_ready()) {
            m_timer->stop();
            done(Finished);
        }
        return;
    }
    const bool over = m_countdown.tick();
    m_label->setText(m_countdown.label());
    if (over) {
        m_timer->stop();
        done(Finished);
    }
}

void CountdownDialog::stop() {
    m_state.stopRequested = true;
    m_timer->stop();
    done(Stopped);
}

void CountdownDialog::closeEvent(QCloseEvent* event) {
    m_state.stopRequested = true;
    m_timer->stop();
    QDialog::closeEvent(event);
}

void CountdownDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace nightaudit
