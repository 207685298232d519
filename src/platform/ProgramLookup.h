#pragma once

#include <optional>
#include <string>

namespace trevane {

// Finds the file a command line's program name stands for, as Windows does for the program's
// own helpers: a name with a folder part is taken as it is; a bare name is looked for in
// executableFolder first, then in each folder of searchPath (a PATH-style list, ':' between
// folders). A name ending in ".exe" that is found nowhere is tried again without it, so job
// files written for Windows ("cmd.exe", "xcopy.exe") still find their programs. Only regular
// files the user may execute count. Returns nothing when no file qualifies.
std::optional<std::string> findProgram(const std::string& name, const std::string& executableFolder,
                                       const std::string& searchPath);

// findProgram with the folder of the running executable and the environment's PATH.
std::optional<std::string> findProgram(const std::string& name);

} // namespace trevane
