#pragma once

// BeneathFolder: the one way restoring writes below its target folder (archive extraction in
// lib/unlha's Extractor, the folder restore). Every folder and file below the target is reached
// from the target's own descriptor, never by path again and never through a symbolic link: with
// openat2(RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS) where the kernel has it, else one name at a
// time with O_NOFOLLOW. A folder that someone swaps for a link while a long restore runs (the
// target may belong to another user than the one restoring, root among them) then stops the
// members below it, instead of steering them into the folder the link points at.
//
// FolderStamps sets the modes and times of folders once everything inside them is written,
// reopening each folder the same way and only when it is still the folder that was made.

#include "UniqueFd.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace trevane {

class BeneathFolder {
public:
    BeneathFolder() = default;
    explicit BeneathFolder(UniqueFd fd) : m_fd(std::move(fd)) {}

    // Opens the target folder at path ("" is the current one); links on the way to it are
    // followed as the system follows them (callers check them with untrustedLink() first).
    // Returns 0 or an errno value.
    int openTarget(const std::string& path);

    int fd() const { return m_fd.get(); }
    explicit operator bool() const { return static_cast<bool>(m_fd); }

    // Opens `relative` ("/" between names; "" and "." are the folder itself) below the folder
    // with `flags` (O_CLOEXEC and O_NOFOLLOW added). Returns -1 with errno set when the path
    // names a link anywhere on its way or at its end (ELOOP), would leave the folder ("..",
    // a leading "/": EXDEV), or cannot be opened.
    [[nodiscard]] UniqueFd open(const std::string& relative, int flags, mode_t mode = 0) const;

    // Opens the folder `relative` below, making the missing folders with `mode` (less the
    // umask). A link on the way is refused (ELOOP), as is anything else that is no folder
    // (ENOTDIR); errno tells which.
    [[nodiscard]] UniqueFd makeFolders(const std::string& relative, mode_t mode) const;

    // Where an entry `relative` goes: its folder opened as makeFolders() (or open() when
    // makeParents is false) does, and its own name, for the *at() calls that make, replace or
    // look at it there. error is 0 or an errno value.
    struct Place {
        UniqueFd folder;
        std::string name;
        int error = 0;
        bool ok() const { return error == 0; }
    };
    [[nodiscard]] Place place(const std::string& relative, bool makeParents,
                              mode_t folderMode = 0777) const;

    // Tests: walk one name at a time as on a kernel without openat2.
    static void walkOneNameAtATime(bool on);

private:
    UniqueFd m_fd;
};

// Modes and times of folders, set last: writing a folder's files changes its time. Each folder
// is reopened below the target (never through a link) and changed only when it is still the
// folder remember() saw (same device and inode), so a folder swapped meanwhile, for a link or
// another folder, is left alone.
class FolderStamps {
public:
    // The folder `relative` was made or found through `fd`; its mode (permission bits, set as
    // given, no umask) and time (seconds) are set by apply().
    void remember(const std::string& relative, int fd, std::optional<mode_t> mode,
                  std::optional<int64_t> mtime);
    // Deepest first, so setting a folder's time is not undone by changing one inside it.
    void apply(const BeneathFolder& target);

private:
    struct Entry {
        std::string relative;
        dev_t dev;
        ino_t ino;
        std::optional<mode_t> mode;
        std::optional<int64_t> mtime;
    };
    std::vector<Entry> m_entries;
};

// The process's umask, read without changing it (other threads may be making files).
mode_t currentUmask();

} // namespace trevane
