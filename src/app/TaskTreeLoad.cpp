#include <QLocale>
#include <QTreeWidget>

#include "MessageBoxes.h"
#include "TaskTree.h"
#include "core/NodeKey.h"
#include "store/Statements.h"
#include "store/TaskStore.h"

namespace nightaudit {
namespace {

QString textOf(const Value& v) {
    return QString::fromStdString(v.text());
}

QString numbered(int position, const Value& name) {
    return QString::number(position) + QStringLiteral("- ") + textOf(name);
}

// Only three characters are compared on both sides, so a locale whose short day
// names are longer (or carry a period) still matches "Wednesday" or "wed".
QString dayPrefix(const QDate& day) {
    return QLocale::system().dayName(day.dayOfWeek(), QLocale::ShortFormat).left(3).toUpper();
}

bool isListedOnDayPrefix(const QString& enableday, const QString& prefix) {
    if (enableday.left(3).toUpper() == prefix) return true;
    return enableday == QLatin1String(" ");
}

QString keyOf(NodeKind kind, const std::string& id) {
    return QString::fromStdString(NodeKey(kind, id).text());
}

}  // namespace

bool TaskTree::isListedOn(const QString& enableday, const QDate& day) {
    return isListedOnDayPrefix(enableday, dayPrefix(day));
}

void TaskTree::LoadTaskSequence(TaskStore& store, const QDate& auditDay) {
    Cursor sequences = store.query(statements::taskSequencesQuery());
    if (sequences.eof()) {
        MessageBoxes::information(
            m_view->window(), QStringLiteral("Quillmar Night Audit"),
            QStringLiteral("There are currently no Task Sequence Defined or enabled"));
        return;
    }
    // The system locale's day name is looked up once, not once per key sequence.
    const QString auditDayPrefix = dayPrefix(auditDay);
    // Each task sequence is built detached and put into the view when complete; a
    // store error part-way still leaves every node added so far in the view.
    struct RootHold {
        TaskTree& tree;
        explicit RootHold(TaskTree& t) : tree(t) { tree.m_deferRoots = true; }
        ~RootHold() {
            tree.attachPendingRoot();
            tree.m_deferRoots = false;
        }
    } hold(*this);
    int sequencePosition = 1;
    for (; !sequences.eof(); sequences.next()) {
        const std::string sequenceId = sequences.value("tasksequenceid").text();
        const QString sequenceKey = keyOf(NodeKind::TaskSequence, sequenceId);
        const int sequenceNode =
            addRoot(sequenceKey, numbered(sequencePosition++, sequences.value("Name")));
        setTag(sequenceNode, textOf(sequences.value("doafterinstructions")));

        Cursor tasks = store.query(statements::tasksQuery(sequenceId));
        int taskPosition = 1;
        for (; !tasks.eof(); tasks.next()) {
            const std::string taskId = tasks.value("TASKID").text();
            const QString taskKey = keyOf(NodeKind::Task, taskId);
            addChild(sequenceKey, taskKey, numbered(taskPosition++, tasks.value("Name")));

            Cursor keySequences = store.query(statements::keySequencesQuery(taskId));
            int keySequencePosition = 1;
            for (; !keySequences.eof(); keySequences.next()) {
                const QString enableday =
                    QString::fromStdString(NullSafeString(keySequences.value("enableday")));
                if (!isListedOnDayPrefix(enableday, auditDayPrefix)) continue;  // takes no number
                addChild(taskKey,
                         keyOf(NodeKind::KeySequence, keySequences.value("keysequenceID").text()),
                         numbered(keySequencePosition++, keySequences.value("Name")));
            }
        }
    }
}

}  // namespace nightaudit
