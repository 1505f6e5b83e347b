#pragma once

#include <string>
#include <vector>

namespace nightaudit {

// Splits a command line into words as a POSIX shell would, without expanding anything:
// blanks separate words; 'single quotes' keep everything; "double quotes" keep all but
// \" \\ \$ \` which drop the backslash; an unquoted backslash keeps the next character.
// Throws Error(err::LaunchFailed) for an unclosed quote or a trailing backslash.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

}  // namespace nightaudit
