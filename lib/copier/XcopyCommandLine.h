#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace trevane {

// What one xcopy call was asked to do. The defaults are those of a call without switches.
struct XcopyOptions {
    std::string source;      // folder, file, or folder + "/" + wildcard pattern, as typed
    std::string destination; // empty: the current folder
    bool overwrite = false;  // /Y; without it an existing destination file is never replaced
    bool onlyNewer = false;  // /D without a date
    std::optional<std::time_t> changedSince; // /D:date, local midnight of that day
    bool subfolders = false;                 // /S (also set by /E)
    bool emptyFolders = false;               // /E
    bool assumeFolder = false;               // /I
    bool keepAttributes = false;             // /K
    bool overwriteReadOnly = false;          // /R
    bool hiddenFiles = false;                // /H
    bool continueOnError = false;            // /C
    bool quiet = false;                      // /Q
    bool fullNames = false;                  // /F
    bool listOnly = false;                   // /L
    bool foldersOnly = false;                // /T
    bool onlyExisting = false;               // /U
    std::vector<std::string> excludeFiles;   // /EXCLUDE:a+b
};

struct XcopyParseResult {
    bool ok = false;
    std::string error; // the line to print when !ok
    XcopyOptions options;
};

// Reads xcopy's arguments (without the program name).
//
// The first argument is the source and the second, when present and not a switch group, the
// destination. Everything after that must be a switch group: one or more switches joined
// together ("/Y/D/S"), letters in any case. An argument counts as a switch group only when every
// switch in it is known, so a destination such as "/home/me/bak" is never mistaken for one.
// A folder at the root may still read as one ("/d", "/e/s"): in the source and destination
// places an argument that names something existing (`exists`, lstat by default) is that path,
// since the runner always passes both and has made sure its destination is there.
// "/EXCLUDE:" takes the rest of its argument as its value, because POSIX paths hold "/".
class XcopyCommandLine {
public:
    using ExistsFunction = std::function<bool(const std::string&)>;

    static XcopyParseResult parse(const std::vector<std::string>& args,
                                  const ExistsFunction& exists = nameExists);

    // True when the file system has an entry of that name (a link counts, dangling or not).
    static bool nameExists(const std::string& path);

    // Accepts YYYY-MM-DD (as the job options write it) and m-d-y with a two- or four-digit
    // year (00-69 is 20xx, 70-99 is 19xx). Returns the local midnight starting that day, or
    // nothing for a text that is not a real date.
    static std::optional<std::time_t> parseDate(const std::string& text);

private:
    // Applies one switch group to `options`; false with `error` set when any part is unknown.
    static bool applySwitchGroup(const std::string& group, XcopyOptions& options,
                                 std::string& error);
};

} // namespace trevane
