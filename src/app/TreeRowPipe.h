#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

namespace nightaudit {

// Nodes of the task tree as read from the store, in the order they are added. The reader
// only copies bytes; the nodes keep them as UTF-8 (the view converts a caption when it
// shows the row).
struct TreeRows {
    enum class Level { TaskSequence, Task, KeySequence };
    struct Row {
        Level level;
        // Where the row's key, caption and tag (a task sequence's instructions) end in
        // `text`; each starts where the one before it ends.
        std::uint32_t keyEnd, captionEnd, tagEnd;
    };
    std::vector<Row> rows;
    std::string text;  // UTF-8

    std::size_t size() const { return rows.size(); }
    bool empty() const { return rows.empty(); }
};

// Hands rows from the thread that reads the store to the thread that builds the tree, in
// batches, so reading the next rows overlaps making the items of the last ones.
class TreeRowPipe {
public:
    // The reader's side. push() returns false once the builder has given up.
    bool push(TreeRows&& batch);
    void finish(std::exception_ptr error);  // no error: every row was pushed

    // The builder's side: waits for the next batch; false once every batch has been
    // taken, after rethrowing the reader's error if it failed.
    bool pop(TreeRows& batch);
    void giveUp();  // the builder stopped early; the reader's pushes fail from now on

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TreeRows> m_batches;
    bool m_finished = false;
    bool m_gaveUp = false;
    std::exception_ptr m_error;
};

}  // namespace nightaudit
