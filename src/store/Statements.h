#pragma once

#include <cstdint>
#include <string>

namespace nightaudit::statements {

// The ten statements of the system, joined exactly from their fixed pieces (blanks
// included) and the values given. Ids are written in plain decimal.
std::string S1();
std::string S2();
std::string S3(const std::string& tasksequenceIdText);
std::string S4(const std::string& taskIdText);
std::string S5(std::int16_t keySequenceId);
std::string S6(std::int16_t keySequenceId);
std::string S7(std::int16_t taskId);
std::string S8(const std::string& taughtWait, std::int16_t keySequenceId);
std::string S9(std::int16_t keySequenceId);
// The key text is written as an SQL string literal with every apostrophe doubled;
// the wait-after and key-type texts are written as given, so callers pass digits only.
std::string S10(const std::string& keyText, const std::string& waitAfterText,
                const std::string& keyTypeText, std::int32_t keysid);

// Doubles every apostrophe, as an SQL string literal writes it.
std::string doubleApostrophes(const std::string& text);

}  // namespace nightaudit::statements
