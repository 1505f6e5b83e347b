#pragma once

// The player and the selection runner on a temporary store, with fakes that write one trace
// of the run: waits (but of 0 ms), desktop actions, tree marks, reports.

#include "PlaybackFakes.h"
#include "playback/KeySequencePlayer.h"
#include "playback/SelectionRunner.h"
#include "support/InstantWaiter.h"
#include "support/TempStore.h"

namespace nightaudit::test {

struct PlaybackRig {
    PlaybackRig(const std::string& rows, std::vector<FakeNode> nodes)
        : db(rows), store(db.path()), host(std::move(nodes), fake) {
        for (const char* title : {"Front Desk", "Back Office", "Quillmar Night Audit"})
            fake.addWindow(title);
        waiter.setObserver([this](std::int32_t ms) {
            if (ms != 0) fake.note("wait(" + std::to_string(ms) + ") ");
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
inline const char* kTasks = R"(INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (11, 1, 'Office', 'Back Office', 1, 2);)";

// kTasks with key sequences 20 (task 10) and 30 (task 11) holding the keys given as VALUES
// rows: (keyorder, keytype, keytext, keypurpose, waitbefore, waitafter). No keys: one of
// type 13, which does nothing.
inline std::string keySequences(std::string keys20, std::string keys30) {
    for (std::string* keys : {&keys20, &keys30})
        if (keys->empty()) *keys = "(1, 13, NULL, NULL, 0, 0)";
    return kTasks +
           ("INSERT INTO keysequence VALUES (20, 10, 'Close', 1, NULL, 0, 0, 1), (30, 11, "
            "'Nested', 1, NULL, 0, 0, 1); INSERT INTO keys (KEYSEQUENCEID, KEYORDER, "
            "keytype, keytext, keypurpose, waitbefore, waitafter) SELECT 20, * FROM (VALUES " +
            keys20 + ") UNION ALL SELECT 30, * FROM (VALUES " + keys30 + ");");
}

inline const QString kMain = "activate(Quillmar Night Audit) ";
inline const QString kFront = "activate(Front Desk) activate(Front Desk) ";
inline const QString kBack = "activate(Back Office) activate(Back Office) ";

}  // namespace nightaudit::test
