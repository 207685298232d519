#pragma once

#include "jobs/AtomicFile.h"

#include <string>
#include <vector>

namespace trevane {

// Job files (".cpl"): plain text in the locale's code page, one comma-text line per runnable
// job row (see CommaText.h), CR LF after every line, no header and no byte-order mark.

struct [[nodiscard]] JobFileLines {
    ReadStatus status = ReadStatus::Failed;
    std::vector<std::string> lines; // empty unless status is Ok
    std::string error;
    bool ok() const { return status == ReadStatus::Ok; }
};

// Reads the file and splits it into lines (CR LF, lone CR and lone LF all end a line).
JobFileLines readJobFile(const std::string& path);

// Replaces the file atomically with the lines, each followed by CR LF; no lines give an empty
// file of zero bytes.
WriteResult writeJobFile(const std::string& path, const std::vector<std::string>& lines);

} // namespace trevane
