#include "TreeRowPipe.h"

#include <utility>

namespace nightaudit {

bool TreeRowPipe::push(TreeRows&& batch) {
    {
        std::lock_guard lock(m_mutex);
        if (m_gaveUp) return false;
        m_batches.push_back(std::move(batch));
    }
    m_changed.notify_one();
    return true;
}

void TreeRowPipe::finish(std::exception_ptr error) {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
        m_error = std::move(error);
    }
    m_changed.notify_one();
}

bool TreeRowPipe::pop(TreeRows& batch) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_batches.empty() || m_finished; });
    if (!m_batches.empty()) {
        batch = std::move(m_batches.front());
        m_batches.pop_front();
        return true;
    }
    if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
    return false;
}

void TreeRowPipe::giveUp() {
    std::lock_guard lock(m_mutex);
    m_gaveUp = true;
    m_batches.clear();
}

}  // namespace nightaudit
