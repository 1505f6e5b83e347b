#include "RunSettings.h"

#include <algorithm>

#include "LeadingNumber.h"
#include "Statements.h"
#include "Value.h"
#include "core/Rounding.h"

namespace nightaudit {

namespace {

int setting(TaskStore& store, const std::string& entry, int cap) {
    Cursor row = store.query(statements::settingQuery(entry));
    if (row.eof()) return 0;
    const Value value = row.value("entryvalue");
    if (value.isNull()) return 0;
    // Compared as a double first: a huge stored number must not overflow on its way in.
    const double number = roundHalfEven(leadingNumber(value.text()));
    return number <= 0 ? 0 : static_cast<int>(std::min(number, static_cast<double>(cap)));
}

}  // namespace

RunSettings RunSettings::read(TaskStore& store) {
    RunSettings s;
    s.keyDelayMs = setting(store, "KEYDELAY", kMaxKeyDelayMs);
    s.windowWaitMs = setting(store, "WINDOWWAIT", kMaxWindowWaitMs);
    return s;
}

}  // namespace nightaudit
