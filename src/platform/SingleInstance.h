#pragma once

#include "UniqueFd.h"

#include <string>
#include <sys/types.h>

namespace trevane {

// A lock that tells whether another instance of the program runs on the same data folder (one
// profile, one runner: two would each rewrite the log and the lists over the other's), whatever
// runtime folder each process has. The lock is an flock() on "<name>-<uid>.lock" in the data
// folder, so the system releases it when the process ends, however it ends: a killed instance
// never blocks the next start.
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
