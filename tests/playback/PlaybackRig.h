#pragma once

// Everything the player and the runner need, wired to fakes over a real temporary store.

#include <memory>
#include <string>
#include <vector>

#include "PlaybackFakes.h"
#include "playback/KeySequencePlayer.h"
#include "playback/SelectionRunner.h"
#include "store/TaskStore.h"
#include "support/TempStore.h"

namespace nightaudit::test {

struct PlaybackRig {
    // `rows` fill the store; `nodes` are the tree. Waits of 0 ms are traced only when
    // `traceZeroWaits` is set (the player's tests show every wait it asks for).
    PlaybackRig(const std::string& rows, std::vector<FakeNode> nodes, bool traceZeroWaits = true)
        : db(rows), store(db.path()), host(std::move(nodes), trace), reports(trace) {
        fake.addWindow("Front Desk");
        fake.addWindow("Back Office");
        fake.addWindow("Quillmar Night Audit");
        host.desktop = &fake;
        waiter.setObserver([this, traceZeroWaits](std::int32_t ms) {
            if (ms != 0 || traceZeroWaits) trace += "wait(" + std::to_string(ms) + ") ";
        });
    }

    TempStore db;
    TaskStore store;
    std::string trace;
    FakeDesktop fake;
    TracingDesktop desktop{fake, trace};
    PlaybackState state;
    InstantWaiter waiter{state};
    FakeRunLog log;
    FakeHost host;
    FakeReports reports;
    KeySequencePlayer player{store, desktop, waiter, log, host, reports, state};
    SelectionRunner runner{store, host, player, waiter, state};
};

// Task sequence 1 with task 10 ("Front Desk") and task 11 ("Back Office").
inline const char* kTasks = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1), (2, 'Empty', NULL, 1, 2);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (11, 1, 'Office', 'Back Office', 1, 2);
)";

}  // namespace nightaudit::test
