#pragma once

#include <QDate>
#include <QString>

#include <string>

#include "PreviewSteps.h"
#include "store/TaskStore.h"

namespace nightaudit {

// What Go on a node would do on an audit day, without touching any window: the real
// selection runner and key sequence player run against a desktop, waits and reports that
// only write down what they are asked to do. So the preview takes the player's queries,
// order, day rule, waits and failures as they are, and cannot drift from them.
class RunPreview {
public:
    // What a key of type 12 puts into special6 in a preview (the list is not read).
    static const QString kNextNoShow;

    // `storeFolder`: where report files are looked for, as the program looks for them.
    RunPreview(TaskStore& store, QString storeFolder, QDate auditDay);

    // The steps of Go on the node `nodeKey` ("TS3", "T15", "KS69"). Throws
    // Error(err::NoSuchNode) when that day's tree has no such node.
    PreviewSteps run(const std::string& nodeKey);

    // The steps as printed, one line each, indented by nesting, with the total wait.
    static std::string text(const PreviewSteps& steps);

private:
    TaskStore& m_store;
    QString m_folder;
    QDate m_day;
};

}  // namespace nightaudit
