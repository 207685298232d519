#pragma once

#include "UniqueFd.h"

#include <string>
#include <sys/types.h>

namespace trevane {

// The folder of the per-user lock files: the user's runtime folder, which is the same for
// every session of the user. XDG_RUNTIME_DIR (xdgRuntimeDir) names it in a desktop session, a
// systemd user service or an ssh login; cron leaves it unset although the folder is there
// while the user is logged in, so without it the folder is looked for in its usual place
// runUserBase/<uid> (/run/user/1000), taken when it is the user's own and closed to others.
// Only when there is none, dataFolder (the program's data folder), never a folder others may
// write. A window and a run from cron then see each other's lock.
std::string lockFolderFor(const char* xdgRuntimeDir, uid_t uid, const std::string& runUserBase,
                          const std::string& dataFolder);

// lockFolderFor(the environment, this user, "/run/user", dataFolder).
std::string lockFolder(const std::string& dataFolder);

// A per-user lock that tells whether another instance of the program runs. The lock is an
// flock() on a file in lockFolder(the data folder), so the system releases it when the process
// ends, however it ends: a killed instance never blocks the next start.
class SingleInstance {
public:
    // Tries to take the lock called name; dataFolder is the program's data folder. Check
    // isFirst() afterwards.
    SingleInstance(const std::string& name, const std::string& dataFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process holds the lock; false when another process holds it (or the
    // lock file could not be opened at all, which is treated the same way as a running
    // instance would be: better no second start than two instances on one settings file).
    bool isFirst() const { return static_cast<bool>(m_fd); }
    void release();

private:
    UniqueFd m_fd;
};

} // namespace trevane
