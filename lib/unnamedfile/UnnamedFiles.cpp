#include "UnnamedFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace trevane {

UnnamedFiles::UnnamedFiles(const std::string& program)
    : m_prefix("." + program + "-" + std::to_string(::getpid()) + "-") {}

std::string UnnamedFiles::temporaryName() {
    return m_prefix + std::to_string(++m_counter) + ".tmp";
}

int UnnamedFiles::create(int folderFd, int flags, mode_t mode) {
    if (m_available) {
        const int fd = ::openat(folderFd, ".", O_TMPFILE | flags, mode);
        if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return fd;
        m_available = false;
    }
    errno = ENOTSUP;
    return -1;
}

int UnnamedFiles::linkOnce(int fd, int folderFd, const char* name) {
    if (m_linkThroughProc) {
        char path[64];
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
        return ::linkat(AT_FDCWD, path, folderFd, name, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
    }
    if (::linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0)
        return 0;
    // Naming a file by its descriptor alone needs a privilege; the /proc name does not.
    if (errno != ENOENT && errno != EPERM)
        return errno;
    m_linkThroughProc = true;
    return linkOnce(fd, folderFd, name);
}

int UnnamedFiles::link(int fd, int folderFd, const char* name) {
    int error = linkOnce(fd, folderFd, name);
    if (error == 0)
        return 0;
    if (error != EEXIST) {
        if (m_linkThroughProc && error == ENOENT) { // no /proc to name it by
            m_available = false;
            return ENOTSUP;
        }
        return error;
    }
    // A link never replaces a name; the new file gets a name of its own and takes the old
    // one's place in one step.
    const std::string temporary = temporaryName();
    error = linkOnce(fd, folderFd, temporary.c_str());
    if (error != 0)
        return error;
    if (::renameat(folderFd, temporary.c_str(), folderFd, name) != 0) {
        error = errno;
        ::unlinkat(folderFd, temporary.c_str(), 0);
        return error;
    }
    return 0;
}

} // namespace trevane
