#pragma once

#include <cstdint>
#include <string>

#include "Sql.h"
#include "Value.h"

namespace nightaudit::statements {

// Every statement the program runs against the task store, each a fixed text with its
// values bound. Queries filter on `enabled` = 1 where the comment says "enabled".

// The `_config` row of the main window's starting height.
Sql startingHeightQuery();
// The `_config` row of a setting that runs read (KEYDELAY, WINDOWWAIT).
Sql settingQuery(const std::string& entry);
// The enabled task sequences in display order: the tree's top level.
Sql taskSequencesQuery();
// The enabled tasks of one task sequence (its id as read from the row) in task order. The
// id is the statement's only value, so the text can be prepared once for many ids.
Sql tasksQuery(const Value& tasksequenceId);
// The enabled key sequences of one task (its id as read from the row) in display order;
// the id is the only value.
Sql keySequencesQuery(const Value& taskId);
// The window title of the task that owns a key sequence, once per key of it.
Sql windowTitleQuery(std::int16_t keySequenceId);
// The keys of a key sequence in key order, with the owning task's window title.
Sql keysQuery(std::int16_t keySequenceId);
// The enabled key sequences of a task in display order, with their waits: what a
// task run plays.
Sql taskKeySequencesQuery(std::int16_t taskId);
// The name of one key sequence.
Sql keySequenceNameQuery(std::int16_t keySequenceId);
// Sets the wait after (ms, digits) of a key sequence's last key (every key sharing the
// largest order).
Sql teachUpdate(const std::string& taughtWait, std::int16_t keySequenceId);
// The keys of a key sequence in key order, for the key editor's list.
Sql keyListQuery(std::int16_t keySequenceId);
// Rewrites the text, wait after and type of one key. The wait-after and key-type texts are
// digits and are stored as numbers.
Sql keyUpdate(const std::string& keyText, const std::string& waitAfterText,
              const std::string& keyTypeText, std::int32_t keysid);

}  // namespace nightaudit::statements
