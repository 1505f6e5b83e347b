#include <QTreeWidget>

#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "MessageBoxes.h"
#include "TaskTree.h"
#include "TreeRowPipe.h"
#include "core/NodeKey.h"
#include "specials/DayRule.h"
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

QString keyOf(NodeKind kind, const std::string& id) {
    return QString::fromStdString(NodeKey(kind, id).text());
}

// The rows under one parent id: the statement is prepared on first use (so a store error
// comes where it would for a statement of its own) and bound per id.
class ChildQuery {
public:
    ChildQuery(TaskStore& store, Sql (*statementFor)(const Value&))
        : m_store(store), m_statementFor(statementFor) {}

    Cursor run(const Value& parentId) {
        if (!m_reusable) m_reusable.emplace(m_store, m_statementFor(parentId).text);
        return m_reusable->run(parentId);
    }

private:
    TaskStore& m_store;
    Sql (*m_statementFor)(const Value&);
    std::optional<ReusableQuery> m_reusable;
};

// Large enough that handing a batch over costs little beside reading it.
constexpr std::size_t kBatchRows = 1024;

// The reader thread's work: every listed node, in the order the tree adds them. A
// failure ends the rows with the error after every row read whole before it.
void readRows(TaskStore& store, Cursor& sequences, const QString& auditDayPrefix,
              TreeRowPipe& pipe) {
    std::vector<TreeRow> batch;
    // False once the builder has given up.
    auto hand = [&](TreeRow::Level level, QString key, QString caption, QString tag = {}) {
        batch.push_back({level, std::move(key), std::move(caption), std::move(tag)});
        return batch.size() < kBatchRows || pipe.push(std::exchange(batch, {}));
    };
    try {
        ChildQuery taskRows(store, statements::tasksQuery);
        ChildQuery keySequenceRows(store, statements::keySequencesQuery);
        int sequencePosition = 1;
        for (; !sequences.eof(); sequences.next()) {
            const Value sequenceIdValue = sequences.value("tasksequenceid");
            QString caption = numbered(sequencePosition++, sequences.value("Name"));
            if (!hand(TreeRow::Level::TaskSequence,
                      keyOf(NodeKind::TaskSequence, sequenceIdValue.text()), std::move(caption),
                      textOf(sequences.value("doafterinstructions")))) {
                return;
            }

            Cursor tasks = taskRows.run(sequenceIdValue);
            int taskPosition = 1;
            for (; !tasks.eof(); tasks.next()) {
                const Value taskIdValue = tasks.value("TASKID");
                if (!hand(TreeRow::Level::Task, keyOf(NodeKind::Task, taskIdValue.text()),
                          numbered(taskPosition++, tasks.value("Name")))) {
                    return;
                }

                Cursor keySequences = keySequenceRows.run(taskIdValue);
                int keySequencePosition = 1;
                for (; !keySequences.eof(); keySequences.next()) {
                    const QString enableday =
                        QString::fromStdString(NullSafeString(keySequences.value("enableday")));
                    if (!DayRule::lists(enableday, auditDayPrefix)) continue;  // no number
                    if (!hand(TreeRow::Level::KeySequence,
                              keyOf(NodeKind::KeySequence,
                                    keySequences.value("keysequenceID").text()),
                              numbered(keySequencePosition++, keySequences.value("Name")))) {
                        return;
                    }
                }
            }
        }
    } catch (...) {
        if (!batch.empty()) pipe.push(std::move(batch));
        pipe.finish(std::current_exception());
        return;
    }
    if (!batch.empty()) pipe.push(std::move(batch));
    pipe.finish(nullptr);
}

}  // namespace

bool TaskTree::isListedOn(const QString& enableday, const QDate& day) {
    return DayRule::lists(enableday, DayRule::dayPrefix(day));
}

void TaskTree::LoadTaskSequence(TaskStore& store, const QDate& auditDay) {
    Cursor sequences = store.query(statements::taskSequencesQuery());
    if (sequences.eof()) {
        MessageBoxes::information(
            m_view->window(), QStringLiteral("Quillmar Night Audit"),
            QStringLiteral("There are currently no Task Sequence Defined or enabled"));
        return;
    }
    // The store is read on a second thread while this one makes the items: in a large
    // store each takes about half the time. Only the reader uses the store until it ends.
    TreeRowPipe pipe;
    std::thread reader([&pipe, &store, sequences = std::move(sequences),
                        prefix = DayRule::dayPrefix(auditDay)]() mutable {
        // Handing the last rows over can fail too: the builder reports it, as any error.
        try {
            readRows(store, sequences, prefix, pipe);
        } catch (...) {
            pipe.finish(std::current_exception());
        }
    });
    struct ReaderHold {
        TreeRowPipe& pipe;
        std::thread& reader;
        ~ReaderHold() {
            pipe.giveUp();
            reader.join();
        }
    } readerHold{pipe, reader};
    // Each task sequence is built detached and put into the view when complete; a
    // store error part-way still leaves every node read whole before it in the view.
    struct RootHold {
        TaskTree& tree;
        explicit RootHold(TaskTree& t) : tree(t) { tree.m_deferRoots = true; }
        ~RootHold() {
            tree.attachPendingRoot();
            tree.m_deferRoots = false;
        }
    } rootHold(*this);
    int sequenceNode = 0;
    int taskNode = 0;
    std::vector<TreeRow> batch;
    while (pipe.pop(batch)) {
        for (TreeRow& row : batch) {
            switch (row.level) {
                case TreeRow::Level::TaskSequence:
                    sequenceNode = addRoot(row.key, row.caption);
                    setTag(sequenceNode, row.tag);
                    break;
                // Children go under the parent's item itself, not found again by its key.
                case TreeRow::Level::Task:
                    taskNode = add(item(sequenceNode), row.key, row.caption);
                    break;
                case TreeRow::Level::KeySequence:
                    add(item(taskNode), row.key, row.caption, Children::Never);
                    break;
            }
        }
    }
}

}  // namespace nightaudit
