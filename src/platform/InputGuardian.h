#pragma once

namespace nightaudit {

// A small process that outlives the program to put back what the program held on the X
// server (X11HeldInputRecord) when it ends, however it ends: SIGKILL and crashes included.
// It is forked before anything else and waits for the end of a pipe whose only writer is
// the program; it never types.
class InputGuardian {
public:
    // Forks the guardian. Call first thing in main(), while the process has no threads and
    // no connections. Returns in the program only; false when no guardian could be started.
    static bool start();
};

}  // namespace nightaudit
