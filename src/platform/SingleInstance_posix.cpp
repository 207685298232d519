#include "platform/PathConventions.h"
#include "platform/SingleInstance.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {
std::string lockFolder() {
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) {
        struct stat st;
        if (stat(run, &st) == 0 && S_ISDIR(st.st_mode))
            return run;
    }
    // No runtime folder (a plain ssh or CI shell): a per-user name in /tmp.
    return "/tmp";
}
} // namespace

SingleInstance::SingleInstance(const std::string& name) {
    std::string path = PathConventions::native().join(
        lockFolder(), std::string(name) + "-" + std::to_string(getuid()) + ".lock");
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
