#pragma once

// The player and the selection runner over a real temporary store, wired to fakes that
// write one trace of the run: waits, desktop actions, tree marks and report calls.

#include <string>
#include <vector>

#include "PlaybackFakes.h"
#include "playback/KeySequencePlayer.h"
#include "playback/SelectionRunner.h"
#include "support/InstantWaiter.h"
#include "support/TempStore.h"

namespace nightaudit::test {

struct PlaybackRig {
    // `rows` fill the store; `nodes` are the tree. Waits of 0 ms are traced only when
    // `traceZeroWaits` is set.
    PlaybackRig(const std::string& rows, std::vector<FakeNode> nodes, bool traceZeroWaits = true)
        : db(rows), store(db.path()), host(std::move(nodes), fake) {
        for (const char* title : {"Front Desk", "Back Office", "Quillmar Night Audit"})
            fake.addWindow(title);
        waiter.setObserver([this, traceZeroWaits](std::int32_t ms) {
            if (ms != 0 || traceZeroWaits) fake.note("wait(" + std::to_string(ms) + ") ");
        });
    }

    TempStore db;
    TaskStore store;
    FakeDesktop fake;
    const std::string& trace = fake.record();
    PlaybackState state;
    InstantWaiter waiter{state};
    FakeHost host;
    KeySequencePlayer player{store, fake, waiter, host, host, host, state};
    SelectionRunner runner{store, host, player, waiter, state};
};

// Task sequence 1 with task 10 ("Front Desk") and task 11 ("Back Office").
inline const char* kTasks = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1), (2, 'Empty', NULL, 1, 2);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (11, 1, 'Office', 'Back Office', 1, 2);
)";

inline const std::string kMain = "activate(Quillmar Night Audit) ";
inline const std::string kFront = "activate(Front Desk) activate(Front Desk) ";
inline const std::string kBack = "activate(Back Office) activate(Back Office) ";

}  // namespace nightaudit::test
