#pragma once

#include "RemovalGuard.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/types.h>

namespace trevane {

// Removes a folder with everything in it, as deltree does, or a single file or link.
//
// Symbolic links are removed as links, never followed, including the path named on the
// command line: a link to a folder loses the link, not the folder's contents. The removal
// stays on the mount of the named folder; a folder mounted inside it is left alone and
// reported, so that deleting a tree never reaches into another disk, nor through a bind mount
// into another part of the same disk. Entries that cannot be removed for lack of write
// permission on their folder get that permission (the user owns the tree being removed) and
// are tried again.
class TreeRemover {
public:
    // Problems are printed to `err`, one line each, naming the path.
    TreeRemover(const RemovalGuard& guard, std::FILE* err);

    // True when `path` is gone afterwards, including when it was missing to begin with.
    bool remove(const std::string& path);

private:
    // Where an open folder is mounted: its file system and the mount it was reached through
    // (0 where the system cannot tell mounts apart; the device still can).
    struct Mount {
        dev_t device = 0;
        uint64_t id = 0;
        bool operator==(const Mount&) const = default;
    };
    static bool mountOf(int fd, Mount& mount);

    bool removeContents(int folderFd, const std::string& path, const Mount& mount);
    bool removeEntry(int folderFd, const std::string& folderPath, const std::string& name,
                     unsigned char type, const Mount& mount);
    int unlinkWithPermission(int folderFd, const std::string& name, int flags);
    void report(const std::string& path, int errorNumber);
    void reportLine(const std::string& line);

    const RemovalGuard& m_guard;
    std::FILE* m_err;
};

} // namespace trevane
