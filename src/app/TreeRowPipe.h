#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <vector>

namespace nightaudit {

// One node of the task tree as read from the store, in the order the nodes are added.
struct TreeRow {
    enum class Level { TaskSequence, Task, KeySequence };
    Level level;
    QString key;
    QString caption;
    QString tag;  // a task sequence's instructions
};

// Hands rows from the thread that reads the store to the thread that builds the tree, in
// batches, so reading the next rows overlaps making the items of the last ones.
class TreeRowPipe {
public:
    // The reader's side. push() returns false once the builder has given up.
    bool push(std::vector<TreeRow>&& batch);
    void finish(std::exception_ptr error);  // no error: every row was pushed

    // The builder's side: waits for the next batch; false once every batch has been
    // taken, after rethrowing the reader's error if it failed.
    bool pop(std::vector<TreeRow>& batch);
    void giveUp();  // the builder stopped early; the reader's pushes fail from now on

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<TreeRow>> m_batches;
    bool m_finished = false;
    bool m_gaveUp = false;
    std::exception_ptr m_error;
};

}  // namespace nightaudit
