#pragma once

#include <string>
#include <vector>

namespace nightaudit {

// The controls of the main window that have a text, by the names a key of type 1 gives:
// the special fields and every other box, label, button and frame. The main window's own
// controls are compared with this list by the store tool's tests.
const std::vector<std::string>& windowFieldNames();
bool isWindowField(const std::string& name);

}  // namespace nightaudit
