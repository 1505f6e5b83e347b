#pragma once

#include <string>
#include <vector>

namespace nightaudit {

// Splits a command line into words as a POSIX shell would, without expanding anything:
// blanks separate words; 'single quotes' keep everything; "double quotes" keep all but
// \" \\ \$ \` which drop the backslash. An unquoted backslash escapes a blank, a quote
// or a backslash after it and is itself kept before anything else, so that Windows paths
// (wine C:\PMS\pms.exe) stay whole. Throws Error(err::LaunchFailed) for an unclosed quote.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

}  // namespace nightaudit
