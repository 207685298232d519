#pragma once

#include "CopyPlan.h"
#include "ExcludeList.h"
#include "NamePattern.h"
#include "XcopyCommandLine.h"

#include <ctime>
#include <string>

namespace trevane {

// Which entries of the source tree an xcopy call takes: the files pattern, dot names without
// /H, subfolders only with /S, the /EXCLUDE lists and a /D date. The copy and the verification
// of a copy row read a row through this one rule, so they cover the same files.
class CopySelection {
public:
    enum class Verdict {
        Taken,
        Hidden, // a dot name left out for want of /H that would otherwise be taken (counted)
        Left,   // not taken
    };

    // `plan` is one without a problem; `exclude` holds the loaded /EXCLUDE lists.
    CopySelection(const XcopyOptions& options, const CopyPlan& plan, ExcludeList exclude);

    // The entry `name` of the source folder `relative` ("" for the top, else "a/b/").
    Verdict file(const std::string& relative, const std::string& name) const;
    Verdict folder(const std::string& relative, const std::string& name) const;
    // Whether a file last changed at `mtime` passes the /D date (always without one).
    bool changedSince(const struct timespec& mtime) const;

private:
    bool excluded(const std::string& relativePath) const;

    NamePattern m_pattern;
    std::string m_excludeBase; // the source folder's absolute path ending in "/"
    ExcludeList m_exclude;
    bool m_hiddenFiles;
    bool m_subfolders;
    std::optional<std::time_t> m_changedSince;
};

} // namespace trevane
