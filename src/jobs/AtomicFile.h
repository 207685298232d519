#pragma once

#include <string>
#include <string_view>

namespace trevane {

// Outcome of writing a file: ok, or a readable reason ("<path>: <system error>").
struct [[nodiscard]] WriteResult {
    bool ok = false;
    std::string error;
};

enum class [[nodiscard]] ReadStatus{
    Ok,      // bytes holds the whole file
    Missing, // no such file (or a folder on its path is missing)
    Failed,  // it is there but could not be read (permissions, a folder, an I/O error)
};

struct [[nodiscard]] ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes; // empty unless status is Ok
    std::string error; // empty when status is Ok
    bool ok() const { return status == ReadStatus::Ok; }
};

// Replaces the file at path with bytes so that a crash or a full disk never leaves it half
// written: the bytes go to a new temporary file in the same folder, are flushed to disk and
// the temporary file is renamed over path. On failure the old file is untouched and no
// temporary file is left behind. An existing file keeps its permission bits; a symbolic link
// is followed and its target replaced. A file without any write permission is not replaced (its
// owner protected it). The folder must exist.
WriteResult writeFileAtomically(const std::string& path, std::string_view bytes);

// A file that exists and has no write permission for anyone: its owner protected it, and the
// program does not replace it (a rename over it would ask only the folder).
bool isWriteProtected(const std::string& path);

// Reads the whole file at path, telling a missing file apart from one that cannot be read.
ReadResult readWholeFile(const std::string& path);

} // namespace trevane
