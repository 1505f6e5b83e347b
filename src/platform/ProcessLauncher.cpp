#include "ProcessLauncher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "core/Error.h"

extern char** environ;

namespace nightaudit {

ProcessLauncher::~ProcessLauncher() {
    reap();
}

int ProcessLauncher::launch(std::vector<std::string> words) {
    reap();
    if (words.empty())
        throw Error(err::LaunchFailed, "Cannot start a program: the command is empty");

    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    // The started program gets its own process group, so a signal meant for this program
    // does not reach it, and default signal handling whatever this program has changed.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        throw Error(err::LaunchFailed,
                    "Cannot start the program " + words[0] + ": " + std::strerror(rc));
    }
    m_children.push_back(pid);
    return pid;
}

void ProcessLauncher::reap() {
    std::vector<int> still;
    for (int pid : m_children) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == 0 || (r < 0 && errno == EINTR)) still.push_back(pid);
    }
    m_children.swap(still);
}

}  // namespace nightaudit
