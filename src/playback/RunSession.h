#pragma once

#include <QObject>

namespace nightaudit {

// The one place that knows whether a run is under way. A run is held by a Hold for its
// length; runs started inside a run (from its event pumping) nest into it, and only the
// outermost start and end are signalled. The buttons, the close of the main window and
// the refusals of a second run follow these signals and underWay().
class RunSession : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool underWay() const { return m_depth > 0; }

    class Hold {
    public:
        explicit Hold(RunSession& session);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        RunSession& m_session;
    };

signals:
    void started();
    void ended();

private:
    int m_depth = 0;
};

}  // namespace nightaudit
