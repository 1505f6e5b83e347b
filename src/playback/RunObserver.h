#pragma once

#include <QString>

#include <vector>

namespace nightaudit {

// What started a run.
enum class RunTrigger { Go, SecondGo, Next, SingleClick };
// Who asked a run to stop. The signals end the program as a close of the main window does.
enum class StopSource { StopButton, StopKey, Close, SignalTerm, SignalHangUp, SignalInterrupt };
enum class SequenceOutcome { Played, Failed, Stopped };

// A key as a record of the run names it: its `keysid` and `keytype` as stored, never its
// text (a keystroke text can hold a password or a card number). Empty when no key was
// being played.
struct KeyRef {
    QString id;
    QString type;
};

// Told what a run does, as it happens, for records kept outside the playback: the
// journal file, the notice of the last error. Nothing passed here carries a keystroke
// text or a field value.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    virtual void runStarted(RunTrigger trigger, const QString& nodeKey,
                            const QString& nodeText) = 0;
    // A key sequence is about to read its keys (after its id is known), and each key is
    // about to play. For a dry run that lists the steps; a record need not care.
    virtual void keySequenceStarted(int /*keySequenceId*/) {}
    virtual void keyStarted(const KeyRef& /*key*/) {}
    // A key sequence ended; `key` is the key it ended on (for Played, its last key).
    virtual void keySequenceEnded(int keySequenceId, SequenceOutcome outcome,
                                  const KeyRef& key) = 0;
    // An error ended a key sequence (`key` the key being played, if any) or the run.
    virtual void failed(int number, const QString& description, const KeyRef& key) = 0;
    virtual void stopped(StopSource by) = 0;
    virtual void runEnded() = 0;
};

// Passes everything on to each of several observers, in the order given.
class RunObservers : public RunObserver {
public:
    void add(RunObserver* observer) { m_observers.push_back(observer); }

    void runStarted(RunTrigger trigger, const QString& nodeKey, const QString& nodeText) override {
        for (auto* o : m_observers) o->runStarted(trigger, nodeKey, nodeText);
    }
    void keySequenceStarted(int id) override {
        for (auto* o : m_observers) o->keySequenceStarted(id);
    }
    void keyStarted(const KeyRef& key) override {
        for (auto* o : m_observers) o->keyStarted(key);
    }
    void keySequenceEnded(int id, SequenceOutcome outcome, const KeyRef& key) override {
        for (auto* o : m_observers) o->keySequenceEnded(id, outcome, key);
    }
    void failed(int number, const QString& description, const KeyRef& key) override {
        for (auto* o : m_observers) o->failed(number, description, key);
    }
    void stopped(StopSource by) override {
        for (auto* o : m_observers) o->stopped(by);
    }
    void runEnded() override {
        for (auto* o : m_observers) o->runEnded();
    }

private:
    std::vector<RunObserver*> m_observers;
};

}  // namespace nightaudit
