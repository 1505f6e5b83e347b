#include <QTreeWidget>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// Puts one node after another into a batch: its key ("KS12"), its caption ("3- Name")
// and its tag, as bytes.
class BatchWriter {
public:
    BatchWriter() {
        for (NodeKind kind : {NodeKind::TaskSequence, NodeKind::Task, NodeKind::KeySequence})
            m_prefix[level(kind)] = NodeKey(kind, {}).text();
    }

    void add(NodeKind kind, std::string_view id, int position, std::string_view name,
             std::string_view tag = {}) {
        std::string& text = m_batch.text;
        text.append(m_prefix[level(kind)]).append(id);
        const auto keyEnd = static_cast<std::uint32_t>(text.size());
        char digits[16];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, position).ptr)
            .append("- ")
            .append(name);
        const auto captionEnd = static_cast<std::uint32_t>(text.size());
        text.append(tag);
        m_batch.rows.push_back({static_cast<TreeRows::Level>(level(kind)), keyEnd, captionEnd,
                                static_cast<std::uint32_t>(text.size())});
    }

    std::size_t size() const { return m_batch.size(); }
    // The next batch starts with the room the last one needed.
    TreeRows take() {
        TreeRows full = std::exchange(m_batch, {});
        m_batch.rows.reserve(full.rows.capacity());
        m_batch.text.reserve(full.text.capacity());
        return full;
    }

private:
    static int level(NodeKind kind) {
        return static_cast<int>(kind == NodeKind::TaskSequence ? TreeRows::Level::TaskSequence
                                : kind == NodeKind::Task       ? TreeRows::Level::Task
                                                               : TreeRows::Level::KeySequence);
    }

    TreeRows m_batch;
    std::string m_prefix[3];
};

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
// The first batches are small, so that the builder starts early.
constexpr std::size_t kFirstBatchRows = 64;

// The reader thread's work: every listed node, in the order the tree adds them. A
// failure ends the rows with the error after every row read whole before it.
void readRows(TaskStore& store, Cursor& sequences, const QString& auditDayPrefix,
              TreeRowPipe& pipe) {
    BatchWriter batch;
    // False once the builder has given up.
    std::size_t batchRows = kFirstBatchRows;
    auto handed = [&] {
        if (batch.size() < batchRows) return true;
        batchRows = std::min(2 * batchRows, kBatchRows);
        return pipe.push(batch.take());
    };
    try {
        ChildQuery taskRows(store, statements::tasksQuery);
        ChildQuery keySequenceRows(store, statements::keySequencesQuery);
        int sequencePosition = 1;
        for (; !sequences.eof(); sequences.next()) {
            const Value sequenceId = sequences.value("tasksequenceid");
            batch.add(NodeKind::TaskSequence, sequenceId.text(), sequencePosition++,
                      sequences.text("Name"), sequences.text("doafterinstructions"));
            if (!handed()) return;

            Cursor tasks = taskRows.run(sequenceId);
            int taskPosition = 1;
            for (; !tasks.eof(); tasks.next()) {
                const Value taskId = tasks.value("TASKID");
                batch.add(NodeKind::Task, taskId.text(), taskPosition++, tasks.text("Name"));
                if (!handed()) return;

                Cursor keySequences = keySequenceRows.run(taskId);
                int keySequencePosition = 1;
                for (; !keySequences.eof(); keySequences.next()) {
                    // A Null day reads as one blank, which is listed every day.
                    const std::string_view day = keySequences.text("enableday");
                    if (day.data() && day != " " &&
                        !DayRule::lists(QString::fromUtf8(day), auditDayPrefix)) {
                        continue;  // no number
                    }
                    batch.add(NodeKind::KeySequence, keySequences.text("keysequenceID"),
                              keySequencePosition++, keySequences.text("Name"));
                    if (!handed()) return;
                }
            }
        }
    } catch (...) {
        if (batch.size() > 0) pipe.push(batch.take());
        pipe.finish(std::current_exception());
        return;
    }
    if (batch.size() > 0) pipe.push(batch.take());
    pipe.finish(nullptr);
}

}  // namespace

bool TaskTree::isListedOn(const QString& enableday, const QDate& day) {
    return DayRule::lists(enableday, DayRule::dayPrefix(day));
}

void TaskTree::load(TaskStore& store, const QDate& auditDay) {
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
    TreeRows batch;
    while (pipe.pop(batch)) {
        const std::string_view text = batch.text;
        std::uint32_t start = 0;
        auto next = [&](std::uint32_t end) {
            const std::string_view piece = text.substr(start, end - start);
            start = end;
            return piece;
        };
        for (const TreeRows::Row& row : batch.rows) {
            std::string key(next(row.keyEnd));
            std::string caption(next(row.captionEnd));
            switch (row.level) {
                case TreeRows::Level::TaskSequence:
                    sequenceNode = add(nullptr, std::move(key), std::move(caption));
                    setTag(sequenceNode, QString::fromUtf8(next(row.tagEnd)));
                    break;
                // Children go under the parent's item itself, not found again by its key.
                case TreeRows::Level::Task:
                    taskNode = add(item(sequenceNode), std::move(key), std::move(caption));
                    break;
                case TreeRows::Level::KeySequence:
                    add(item(taskNode), std::move(key), std::move(caption), Children::Never);
                    break;
            }
            start = row.tagEnd;
        }
    }
}

}  // namespace nightaudit
