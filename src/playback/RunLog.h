#pragma once

#include <QString>

namespace nightaudit {

// The run log lstLog: one line per keystroke text sent.
class RunLog {
public:
    virtual ~RunLog() = default;
    virtual void clear() = 0;
    virtual void append(const QString& line) = 0;
};

}  // namespace nightaudit
