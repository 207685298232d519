#include "PathConventions.h"
#include "platform/SingleInstance.h"

#include "FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace trevane {

SingleInstance::SingleInstance(const std::string& name, const std::string& dataFolder) {
    const uid_t uid = getuid();
    const std::string path = PathConventions::native().join(
        dataFolder, std::string(name) + "-" + std::to_string(uid) + ".lock");
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
