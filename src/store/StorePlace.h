#pragma once

#include <string>

namespace nightaudit {

// Where the task store is looked for, in this order: beside the program (a copied, portable
// program keeps its own), then in the user's data folder ($XDG_DATA_HOME, or
// ~/.local/share when that is unset, empty or relative).
std::string storeBesideProgram(const std::string& programDir);
std::string perUserStore();
// The first of the two that exists; empty when neither does.
std::string existingStore(const std::string& programDir);

}  // namespace nightaudit
