#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// Splits a command line into arguments the way the Windows runtime does for quoting, so that
// the job's command lines ("xcopy "C:\My Data\*.doc" "D:\Bak" /Y") mean the same everywhere:
// blanks and tabs separate arguments; a double quote opens or closes a quoted run that may hold
// blanks; inside a quoted run two double quotes in a row stand for one double quote; a quoted run
// of nothing ("") is an empty argument. Backslash is an ordinary character. An unclosed quote
// runs to the end of the line.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

} // namespace trevane
