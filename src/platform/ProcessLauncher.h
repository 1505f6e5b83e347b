#pragma once

#include <string>
#include <vector>

namespace nightaudit {

// Starts programs without a shell and reaps the ones it started, so that finished
// programs do not linger as zombies. It reaps only its own children: other parts of the
// program may wait for theirs.
class ProcessLauncher {
public:
    ProcessLauncher() = default;
    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;
    ~ProcessLauncher();

    // Starts the program named by the first word, searched in $PATH, with the other words
    // as arguments. Returns at once with its process id. Throws Error(err::LaunchFailed).
    int launch(std::vector<std::string> words);

    // Collects the exit status of every started program that has ended. Never blocks.
    void reap();

    std::size_t running() const { return m_children.size(); }

private:
    std::vector<int> m_children;
};

}  // namespace nightaudit
