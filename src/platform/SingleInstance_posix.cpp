#include "platform/PathConventions.h"
#include "platform/SingleInstance.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

std::string lockFolderFor(const char* xdgRuntimeDir, uid_t uid, const std::string& runUserBase) {
    struct stat st;
    if (xdgRuntimeDir && *xdgRuntimeDir && stat(xdgRuntimeDir, &st) == 0 && S_ISDIR(st.st_mode))
        return xdgRuntimeDir;
    const std::string own = PathConventions::native().join(runUserBase, std::to_string(uid));
    if (stat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
        (st.st_mode & (S_IRWXG | S_IRWXO)) == 0)
        return own;
    // No runtime folder at all (a machine without a login manager's): a per-user name in /tmp.
    return "/tmp";
}

SingleInstance::SingleInstance(const std::string& name) {
    const uid_t uid = getuid();
    const std::string path = PathConventions::native().join(
        lockFolderFor(std::getenv("XDG_RUNTIME_DIR"), uid, "/run/user"),
        std::string(name) + "-" + std::to_string(uid) + ".lock");
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return;
    }
    m_fd = fd;
}

SingleInstance::~SingleInstance() {
    release();
}

void SingleInstance::release() {
    if (m_fd >= 0) {
        flock(m_fd, LOCK_UN);
        close(m_fd);
        m_fd = -1;
    }
}

} // namespace trevane
