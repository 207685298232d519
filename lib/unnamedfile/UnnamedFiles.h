#pragma once

#include <string>
#include <sys/types.h>

namespace trevane {

// Files that get their name only once they are complete. A file is made without a name in its
// folder (O_TMPFILE), written, and then linked in under its name, replacing what had that
// name in one step: a failure or a crash of the program, kill -9 included, leaves nothing
// behind, and an old file under that name stays as it was until the new one takes its place.
// Where the file system cannot make or name such files, callers fall back to a named
// temporary file from temporaryName() and rename it.
class UnnamedFiles {
public:
    // `program` goes into the temporary names, so a leftover tells where it came from.
    explicit UnnamedFiles(const std::string& program);

    // Opens a new file without a name in the folder `folderFd`, with `flags` (the access mode
    // and O_CLOEXEC) and the permission bits `mode` less the umask. Returns the descriptor, or
    // -1 with errno set; errno is ENOTSUP when the file system cannot hold unnamed files, and
    // from then on it is not tried again.
    [[nodiscard]] int create(int folderFd, int flags, mode_t mode);

    // Gives the unnamed file `fd` the name `name` in `folderFd`, replacing what has that name.
    // Returns 0 or an errno value; ENOTSUP when unnamed files cannot be named here at all (and
    // create() refuses from then on).
    [[nodiscard]] int link(int fd, int folderFd, const char* name);

    // A hidden name for a temporary file, another one with every call.
    [[nodiscard]] std::string temporaryName();

private:
    int linkOnce(int fd, int folderFd, const char* name);

    std::string m_prefix;
    unsigned long m_counter = 0;
    bool m_available = true;        // O_TMPFILE works where files have been made so far
    bool m_linkThroughProc = false; // link unnamed files by their /proc name
};

} // namespace trevane
