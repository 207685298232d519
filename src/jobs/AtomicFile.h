#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

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
    Refused, // it is there, but Writers::OwnerOnlyAsRoot does not trust it
};

struct [[nodiscard]] ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes; // empty unless status is Ok
    std::string error; // empty when status is Ok
    bool ok() const { return status == ReadStatus::Ok; }
};

// Replaces the file at path with bytes so that a crash or a full disk never leaves it half
// written: the bytes go to a new file without a name in the same folder (UnnamedFiles), are
// flushed to disk, and the file is linked in over path, so that even kill -9 leaves nothing
// behind. Where the file system cannot hold such files, a named temporary file is renamed over
// path instead. On failure the old file is untouched and no temporary file is left behind. An
// existing file keeps its permission bits; a symbolic link to a file is followed and that file
// replaced, unless the link belongs to another user than the program's and root
// (untrustedLink()); a link to nothing is replaced by the new file. A file without any write
// permission is not replaced (its owner protected it), nor anything that is not a regular file
// (a FIFO, a device). The folder must exist.
WriteResult writeFileAtomically(const std::string& path, std::string_view bytes);

// A file that exists and has no write permission for anyone: its owner protected it, and the
// program does not replace it (a rename over it would ask only the folder).
bool isWriteProtected(const std::string& path);

// Who may have written a file the program reads. Job files, the settings file and the list of
// registered jobs say what runs: when the program runs as root, they must belong to root and be
// writable by nobody else (as cron requires of crontabs), or another user could run commands
// as root.
enum class Writers { Anyone, OwnerOnlyAsRoot };

// Files the program reads whole are no larger than this: a larger one is refused rather than read
// while memory grows until the system ends the program.
inline constexpr size_t kMaxReadBytes = 64u << 20;

// Reads the whole file at path, telling a missing file apart from one that cannot be read.
// Only a regular file of at most kMaxReadBytes is read: a FIFO or a device under the name is
// refused without waiting on it (Failed, with a Japanese text naming it).
ReadResult readWholeFile(const std::string& path, Writers writers = Writers::Anyone);

// Why a file with status st may not be read under the rule of Writers::OwnerOnlyAsRoot by a
// program running as user `runningAs`; empty when it may.
std::string writersProblem(const std::string& path, const struct stat& st, uid_t runningAs);

} // namespace trevane
