#pragma once

#include <cstdint>
#include <string>

namespace nightaudit::statements {

// Every statement the system runs, joined exactly from fixed pieces (blanks included)
// and the values given. Ids are written in plain decimal. Queries filter on
// `enabled` = 1 where the comment says "enabled".

// The `_config` row of the main window's starting height.
std::string startingHeightQuery();
// The `_config` row of a setting that runs read (KEYDELAY, WINDOWWAIT).
std::string settingQuery(const std::string& entry);
// The enabled task sequences in display order: the tree's top level.
std::string taskSequencesQuery();
// The enabled tasks of one task sequence (its id as read from the row) in task order.
std::string tasksQuery(const std::string& tasksequenceIdText);
// The enabled key sequences of one task (its id as read from the row) in display order.
std::string keySequencesQuery(const std::string& taskIdText);
// The window title of the task that owns a key sequence, once per key of it.
std::string windowTitleQuery(std::int16_t keySequenceId);
// The keys of a key sequence in key order, with the owning task's window title.
std::string keysQuery(std::int16_t keySequenceId);
// The enabled key sequences of a task in display order, with their waits: what a
// task run plays.
std::string taskKeySequencesQuery(std::int16_t taskId);
// Sets the wait after of a key sequence's last key (every key sharing the largest order).
std::string teachUpdate(const std::string& taughtWait, std::int16_t keySequenceId);
// The keys of a key sequence in key order, for the key editor's list.
std::string keyListQuery(std::int16_t keySequenceId);
// Rewrites the text, wait after and type of one key. The key text is written as an
// SQL string literal with every apostrophe doubled; the wait-after and key-type texts
// are written as given, so callers pass digits only.
std::string keyUpdate(const std::string& keyText, const std::string& waitAfterText,
                      const std::string& keyTypeText, std::int32_t keysid);

// Doubles every apostrophe, as an SQL string literal writes it.
std::string doubleApostrophes(const std::string& text);

}  // namespace nightaudit::statements
