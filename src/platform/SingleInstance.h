#pragma once

#include <string>

namespace trevane {

// A per-user lock that tells whether another instance of the program runs. The lock is an
// flock() on a file in the user's runtime folder, so the system releases it when the
// process ends, however it ends: a killed instance never blocks the next start.
class SingleInstance {
public:
    // Tries to take the lock called name. Check isFirst() afterwards.
    explicit SingleInstance(const std::string& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process holds the lock; false when another process holds it (or the
    // lock file could not be opened at all, which is treated the same way as a running
    // instance would be: better no second start than two instances on one settings file).
    bool isFirst() const { return m_fd >= 0; }
    void release();

private:
    int m_fd = -1;
};

} // namespace trevane
