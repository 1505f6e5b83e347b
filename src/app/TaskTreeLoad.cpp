#include <QLocale>
#include <QTreeWidget>

#include <optional>
#include <string>

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

// Put together in UTF-8 and converted once: one allocation per caption.
QString numbered(int position, const Value& name) {
    return QString::fromStdString(std::to_string(position) + "- " + name.text());
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

// The rows under one parent id. The query is prepared on first use (so a store error
// comes where it did when each text was prepared on its own) and bound per id; an id
// that is not a whole number is written into the text as read, as before.
class ChildQuery {
public:
    ChildQuery(TaskStore& store, std::string (*textFor)(const std::string&))
        : m_store(store), m_textFor(textFor) {}

    Cursor run(const Value& parentId) {
        if (parentId.kind() != Value::Kind::Integer) {
            return m_store.query(m_textFor(parentId.text()));
        }
        if (!m_reusable) m_reusable.emplace(m_store, m_textFor("?"));
        return m_reusable->run(std::stoll(parentId.text()));
    }

private:
    TaskStore& m_store;
    std::string (*m_textFor)(const std::string&);
    std::optional<ReusableQuery> m_reusable;
};

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
    ChildQuery taskRows(store, statements::tasksQuery);
    ChildQuery keySequenceRows(store, statements::keySequencesQuery);
    int sequencePosition = 1;
    for (; !sequences.eof(); sequences.next()) {
        const Value sequenceIdValue = sequences.value("tasksequenceid");
        const std::string& sequenceId = sequenceIdValue.text();
        const int sequenceNode = addRoot(keyOf(NodeKind::TaskSequence, sequenceId),
                                         numbered(sequencePosition++, sequences.value("Name")));
        setTag(sequenceNode, textOf(sequences.value("doafterinstructions")));

        Cursor tasks = taskRows.run(sequenceIdValue);
        int taskPosition = 1;
        for (; !tasks.eof(); tasks.next()) {
            const Value taskIdValue = tasks.value("TASKID");
            const std::string& taskId = taskIdValue.text();
            // Children go under the parent's item itself, not found again by its key.
            const int taskNode = add(item(sequenceNode), keyOf(NodeKind::Task, taskId),
                                     numbered(taskPosition++, tasks.value("Name")));

            Cursor keySequences = keySequenceRows.run(taskIdValue);
            int keySequencePosition = 1;
            for (; !keySequences.eof(); keySequences.next()) {
                const QString enableday =
                    QString::fromStdString(NullSafeString(keySequences.value("enableday")));
                if (!isListedOnDayPrefix(enableday, auditDayPrefix)) continue;  // takes no number
                add(item(taskNode),
                    keyOf(NodeKind::KeySequence, keySequences.value("keysequenceID").text()),
                    numbered(keySequencePosition++, keySequences.value("Name")), Children::Never);
            }
        }
    }
}

}  // namespace nightaudit
