#pragma once

#include "UnnamedFiles.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace trevane {

// Copies one file or symbolic link between two open folders. The copy is written as a file
// without a name (or, where the file system cannot do that, under a temporary hidden name) and
// gets the destination name only when its data, mode and times are complete: a failure or a
// crash of the program never leaves a half-written file under the real name (whose newer time
// would otherwise make a later /D run skip it), and an old destination file stays as it was
// until the new one replaces it in one step.
class FileCopier {
public:
    enum class Status {
        Copied,
        NotRegular,  // the source is no longer a regular file; nothing was written
        ReadFailed,  // errorNumber says why; the source is at fault
        WriteFailed, // errorNumber says why; the destination is at fault
        LinkNotKept, // the destination's file system has no symbolic links; nothing was written
    };
    struct Outcome {
        Status status = Status::Copied;
        int errorNumber = 0;
        bool modeNotKept = false; // copied, but the file system did not take the permission bits
    };

    // `creationMask` is the process's umask, applied to modes when attributes are not kept.
    explicit FileCopier(mode_t creationMask);

    // Copies the regular file `sourceName` in `sourceDir` to `targetName` in `targetDir`,
    // data (holes stay holes) and access/modification times. With `keepMode` the permission bits
    // are the source's (set-user-ID and set-group-ID only where the copy has the source's owner or
    // group); otherwise they are the source's made writable for the owner, less the umask.
    Outcome copyFile(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                     bool keepMode);

    // Recreates the symbolic link `sourceName` (its text unchanged, never followed) and its
    // times under `targetName`.
    Outcome copySymlink(int sourceDir, const char* sourceName, int targetDir,
                        const char* targetName);

private:
    Outcome copyData(int in, int out, const struct stat& source);
    // Copies the data extents and leaves the holes between them (SEEK_DATA, SEEK_HOLE).
    Outcome copySparse(int in, int out, off_t size);
    // Copies `size` bytes from the current offset of `in` to that of `out`.
    Outcome copyRange(int in, int out, off_t size);
    Outcome copyDataByReading(int in, int out, off_t remaining, bool untilEnd);

    mode_t m_creationMask;
    std::optional<bool> m_modesKept; // whether the destination keeps permission bits, once known
    UnnamedFiles m_unnamed{"xcopy"};
    std::vector<char> m_buffer; // allocated on first use of the read/write path
};

} // namespace trevane
