#include "platform/PathConventions.h"
#include "platform/SingleInstance.h"

#include "FileSystem.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

std::string lockFolderFor(const char* xdgRuntimeDir, uid_t uid, const std::string& runUserBase,
                          const std::string& dataFolder) {
    struct stat st;
    if (xdgRuntimeDir && *xdgRuntimeDir && stat(xdgRuntimeDir, &st) == 0 && S_ISDIR(st.st_mode))
        return xdgRuntimeDir;
    const std::string own = PathConventions::native().join(runUserBase, std::to_string(uid));
    if (stat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
        (st.st_mode & (S_IRWXG | S_IRWXO)) == 0)
        return own;
    // No runtime folder at all (root's cron, a machine without a login manager): the program's
    // own data folder, which no other user may write, unlike /tmp, where anyone could hold the
    // lock first or plant a link under its name.
    return dataFolder;
}

std::string lockFolder(const std::string& dataFolder) {
    return lockFolderFor(std::getenv("XDG_RUNTIME_DIR"), getuid(), "/run/user", dataFolder);
}

SingleInstance::SingleInstance(const std::string& name, const std::string& dataFolder) {
    const uid_t uid = getuid();
    const std::string path = PathConventions::native().join(
        lockFolder(dataFolder), std::string(name) + "-" + std::to_string(uid) + ".lock");
    // Never through a link or into anything but a regular file of its own.
    OpenedFile file = openRegularFile(path, O_RDWR | O_CREAT | O_NOFOLLOW, 0600);
    if (!file.ok() || flock(file.fd.get(), LOCK_EX | LOCK_NB) != 0)
        return;
    m_fd = std::move(file.fd);
}

SingleInstance::~SingleInstance() {
    release();
}

void SingleInstance::release() {
    if (m_fd)
        flock(m_fd.get(), LOCK_UN);
    m_fd.reset();
}

} // namespace trevane
