#pragma once

#include "UnnamedFiles.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <string>
#include <vector>

namespace trevane {

// Copies one file or symbolic link between two open folders. The copy is written as a file
// without a name (or, where the file system cannot do that, under a temporary hidden name) and
// gets the destination name only when its data, mode and times are complete: a failure or a
// crash of the program never leaves a half-written file under the real name (whose newer time
// would otherwise make a later /D run skip it), and an old destination file stays as it was
// until the new one replaces it in one step.
//
// One exception saves a rename per file where there are no unnamed files (FUSE disks, network
// shares), on which a rename costs as much as the create: a file whose name is free in the
// destination is made under that name at once. It carries the unfinished mark (an access time
// on the first day of 1980, see unfinished()) from its creation until its data and mode are
// complete and it gets its real times, and it is removed again when the copy fails or is
// stopped; a copy cut short by a crash keeps the mark, by which the next /D run knows to copy
// it again.
class FileCopier {
public:
    enum class Status {
        Copied,
        NotRegular,  // the source is no longer a regular file; nothing was written
        ReadFailed,  // errorNumber says why; the source is at fault
        WriteFailed, // errorNumber says why; the destination is at fault
        LinkNotKept, // the destination's file system has no symbolic links; nothing was written
        Stopped,     // a stop was requested; nothing was left behind
    };
    struct Outcome {
        Status status = Status::Copied;
        int errorNumber = 0;
        bool modeNotKept = false; // copied, but the file system did not take the permission bits
    };

    // What copiers working side by side on one destination learn together: whether it keeps
    // permission bits (-1 not known yet, 0 no, 1 yes).
    using ModesKept = std::atomic<int>;

    // `creationMask` is the process's umask, applied to modes when attributes are not kept.
    // `stop`, when given, is polled between pieces of a file's data. `worker` tells the
    // temporary names of copiers working side by side apart; `modesKept`, when given, is
    // shared with them. Both pointers outlive the copier.
    explicit FileCopier(mode_t creationMask, const std::atomic<bool>* stop = nullptr,
                        unsigned worker = 0, ModesKept* modesKept = nullptr);

    // Copies the regular file `sourceName` in `sourceDir` to `targetName` in `targetDir`,
    // data (holes stay holes) and access/modification times. With `keepMode` the permission bits
    // are the source's (set-user-ID and set-group-ID only where the copy has the source's owner or
    // group); otherwise they are the source's made writable for the owner, less the umask.
    // `nameFree` says that the caller found no entry `targetName` (it may then be created
    // under that name, see above).
    Outcome copyFile(int sourceDir, const char* sourceName, int targetDir, const char* targetName,
                     bool keepMode, bool nameFree = false);

    // Recreates the symbolic link `sourceName` (its text unchanged, never followed) and its
    // times under `targetName`.
    Outcome copySymlink(int sourceDir, const char* sourceName, int targetDir,
                        const char* targetName);

    // Whether `copy` (of a destination file) still carries the unfinished mark: its copy was
    // cut short, whatever its modification time says.
    static bool unfinished(const struct stat& copy);

private:
    Outcome copyData(int in, int out, const struct stat& source);
    // Copies the data extents and leaves the holes between them (SEEK_DATA, SEEK_HOLE).
    Outcome copySparse(int in, int out, off_t size);
    // Copies `size` bytes from the current offset of `in` to that of `out`.
    Outcome copyRange(int in, int out, off_t size);
    Outcome copyDataByReading(int in, int out, off_t remaining, bool untilEnd);

    bool stopRequested() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

    mode_t m_creationMask;
    const std::atomic<bool>* m_stop;
    ModesKept m_ownModesKept{-1};
    ModesKept* m_modesKept; // whether the destination keeps permission bits, once known
    UnnamedFiles m_unnamed;
    std::vector<char> m_buffer; // allocated on first use of the read/write path
};

} // namespace trevane
