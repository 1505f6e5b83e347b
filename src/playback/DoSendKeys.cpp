#include "DoSendKeys.h"

namespace nightaudit {

void DoSendKeys(Desktop& desktop, RunLog& runLog, EventPump& events, const QString& strKeyToSend) {
    desktop.sendKeys(strKeyToSend.toStdString());
    runLog.append(strKeyToSend);
    events.processEvents();
}

}  // namespace nightaudit
