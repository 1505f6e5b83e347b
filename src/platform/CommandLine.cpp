#include "CommandLine.h"

#include "core/Error.h"

namespace nightaudit {

namespace {
[[noreturn]] void fail(const std::string& what, const std::string& commandLine) {
    throw Error(err::LaunchFailed, "Cannot start the program: " + what + " in " + commandLine);
}
}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            // Only before what it would otherwise end or open: a Windows path under Wine
            // (C:\PMS\pms.exe) keeps its backslashes.
            const bool escapes =
                i + 1 < commandLine.size() &&
                std::string(" \t\n'\"\\").find(commandLine[i + 1]) != std::string::npos;
            word += escapes ? commandLine[++i] : c;
        } else if (c == '\'') {
            const std::size_t close = commandLine.find('\'', i + 1);
            if (close == std::string::npos) fail("an unclosed single quote", commandLine);
            word += commandLine.substr(i + 1, close - i - 1);
            i = close;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i >= commandLine.size()) fail("an unclosed double quote", commandLine);
                const char d = commandLine[i];
                if (d == '"') break;
                if (d == '\\' && i + 1 < commandLine.size() &&
                    std::string("\"\\$`").find(commandLine[i + 1]) != std::string::npos) {
                    word += commandLine[++i];
                } else {
                    word += d;
                }
            }
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace nightaudit
