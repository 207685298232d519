#pragma once

#include <signal.h>
#include <spawn.h>

namespace trevane {

// What every child the program starts is given: a session of its own (so it is no part of the
// program's process group and survives, or is stopped, on its own), no blocked signals and
// every signal at its default action, whatever the program itself had set, plus the standard
// descriptors the caller arranges with openOnChild and dupToChild.
//
// Each set-up call can fail (no memory); the first failure is kept and spawn then reports it
// instead of starting a child with descriptors or signals that were not set up as asked.
class ChildSpawn {
public:
    ChildSpawn() {
        m_actionsReady = keep(posix_spawn_file_actions_init(&m_actions));
        m_attrReady = keep(posix_spawnattr_init(&m_attr));
        if (!m_attrReady)
            return;
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        keep(posix_spawnattr_setsigmask(&m_attr, &none));
        keep(posix_spawnattr_setsigdefault(&m_attr, &all));
        keep(posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                   POSIX_SPAWN_SETSIGDEF));
    }
    ~ChildSpawn() {
        if (m_attrReady)
            posix_spawnattr_destroy(&m_attr);
        if (m_actionsReady)
            posix_spawn_file_actions_destroy(&m_actions);
    }
    ChildSpawn(const ChildSpawn&) = delete;
    ChildSpawn& operator=(const ChildSpawn&) = delete;

    // The child's descriptor fd is path opened with flags.
    void openOnChild(int fd, const char* path, int flags) {
        if (m_error == 0)
            keep(posix_spawn_file_actions_addopen(&m_actions, fd, path, flags, 0));
    }
    // The child's descriptor to is a copy of this process's descriptor from.
    void dupToChild(int from, int to) {
        if (m_error == 0)
            keep(posix_spawn_file_actions_adddup2(&m_actions, from, to));
    }

    // Starts program with argv and envp: 0 and the child's id in pid, or the error number of
    // the failed set-up or start.
    [[nodiscard]] int spawn(pid_t& pid, const char* program, char* const argv[],
                            char* const envp[]) {
        if (m_error != 0)
            return m_error;
        return ::posix_spawn(&pid, program, &m_actions, &m_attr, argv, envp);
    }

private:
    bool keep(int rc) {
        if (rc != 0 && m_error == 0)
            m_error = rc;
        return rc == 0;
    }

    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attr;
    bool m_actionsReady = false;
    bool m_attrReady = false;
    int m_error = 0;
};

} // namespace trevane
