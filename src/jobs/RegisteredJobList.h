#pragma once

#include "jobs/AtomicFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The registered job list (BGCopyList.txt in the program folder): bare job-file names, one a
// line with CR LF, in run order. The options dialog is its only writer; the run command of the
// registered jobs reads it.
class RegisteredJobList {
public:
    struct Loaded {
        ReadStatus status = ReadStatus::Missing;
        std::vector<std::string> names; // empty unless status is Ok
        std::string error;
    };

    // The lines of the file; a missing file is an empty list with status Missing.
    static Loaded read(const std::string& path);
    // Replaces the file whole (atomically); no names write an empty file.
    static WriteResult write(const std::string& path, const std::vector<std::string>& names);

    // The bare name of a chosen job file: the path with its folder removed.
    static std::string bareName(std::string_view path);
    // Appends name unless the list holds it already, compared without regard to (ASCII) letter
    // case, so "Daily.cpl" and "DAILY.CPL" count as one job. True when it was appended.
    static bool addUnique(std::vector<std::string>& names, std::string_view name);
};

} // namespace trevane
