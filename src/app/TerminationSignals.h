#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace nightaudit {

// SIGTERM, SIGHUP and SIGINT as events of the event loop: the handler only writes the
// signal's number into a pipe, which a socket notifier reads.
class TerminationSignals {
public:
    // Installs the handlers, once; before QApplication exists, so that none of these signals
    // can end the program unheard. What comes before a TerminationSignals exists waits.
    static void install();

    // `onSignal` is called on the event loop with each signal's number.
    explicit TerminationSignals(std::function<void(int)> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace nightaudit
