#include "SendKeysParser.h"

#include "Error.h"

namespace nightaudit {

// Placeholder until the parser lands: refuses every text so that nothing is typed.
std::vector<KeyStroke> parseSendKeys(const std::string&) {
    throw Error(err::NotAvailable, "The keystroke parser is not built yet");
}

}  // namespace nightaudit
