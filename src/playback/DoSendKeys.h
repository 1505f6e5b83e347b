#pragma once

#include <QString>

#include "PlaybackHost.h"
#include "RunLog.h"
#include "platform/Desktop.h"

namespace nightaudit {

// Sends one keystroke text to the active window, then logs it and lets pending
// window events run. A send that throws leaves no log line: the log shows only
// what was really typed.
void DoSendKeys(Desktop& desktop, RunLog& runLog, EventPump& events, const QString& strKeyToSend);

}  // namespace nightaudit
