#include "DoSendKeys.h"

namespace nightaudit {

void DoSendKeys(Desktop& desktop, RunLog& runLog, PlaybackHost& host, const QString& strKeyToSend) {
    desktop.sendKeys(strKeyToSend.toStdString());
    runLog.append(strKeyToSend);
    host.processEvents();
}

}  // namespace nightaudit
