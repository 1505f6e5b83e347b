#include "InputGuardian.h"

#include "X11HeldInputRecord.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace nightaudit {

namespace {

// The guardian's life: wait until the program is gone, then put back what it held.
[[noreturn]] void guard(int fromProgram, pid_t program) {
    // A terminal's Ctrl+C reaches the whole process group: the guardian must see the
    // program's end, not share it.
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT}) std::signal(s, SIG_IGN);
    prctl(PR_SET_NAME, "nightaudit-grd", 0, 0, 0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    char buffer[64];
    for (;;) {
        const ssize_t n = read(fromProgram, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    restoreHeldInputOf(program);
    _exit(0);
}

}  // namespace

bool InputGuardian::start() {
    int ends[2];
    // Close-on-exec: a program the player starts must not keep the pipe open.
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    const pid_t program = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        return false;
    }
    if (pid == 0) {
        close(ends[1]);
        guard(ends[0], program);
    }
    close(ends[0]);
    // ends[1] stays open, unused, for the program's life: its end is the signal.
    return true;
}

}  // namespace nightaudit
