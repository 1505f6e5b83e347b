#include "FieldNames.h"

#include <algorithm>

namespace nightaudit {

const std::vector<std::string>& windowFieldNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n = {
            "special1",        "special2",        "special3", "special4",   "special5", "special6",
            "special7",        "txtInstructions", "dfnTeach", "lblVersion", "cmdSend",  "cmdSend2",
            "chbCompleteTask", "Check1",          "Frame1",   "Frame2",     "Frame3",   "Frame6"};
        for (int i = 1; i <= 17; ++i) n.push_back("Label" + std::to_string(i));
        for (int i = 1; i <= 11; ++i) n.push_back("Command" + std::to_string(i));
        return n;
    }();
    return names;
}

bool isWindowField(const std::string& name) {
    const auto& names = windowFieldNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace nightaudit
