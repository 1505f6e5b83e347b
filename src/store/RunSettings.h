#pragma once

#include "TaskStore.h"

namespace nightaudit {

// The `_config` settings for slow or remote targets, read afresh for every run. Each
// value is read by the leading-number rule and rounded half to even; a missing row, a
// Null, or a value of 0 or less means none (as for a store that predates them), and a
// value above its cap is held at the cap.
struct RunSettings {
    static constexpr int kMaxKeyDelayMs = 1000;
    static constexpr int kMaxWindowWaitMs = 60000;

    int keyDelayMs = 0;    // KEYDELAY: between two keystrokes of a text
    int windowWaitMs = 0;  // WINDOWWAIT: how long a task's window is looked for

    // Throws what the store throws.
    static RunSettings read(TaskStore& store);
};

}  // namespace nightaudit
