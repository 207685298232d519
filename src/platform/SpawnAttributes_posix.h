#pragma once

#include <signal.h>
#include <spawn.h>

namespace trevane {

// Attributes for every child the program starts: a session of its own (so it is no part of
// the program's process group and survives, or is stopped, on its own), no blocked signals and
// every signal at its default action, whatever the program itself had set. The caller owns
// attr and destroys it with posix_spawnattr_destroy.
inline void initChildSpawnAttributes(posix_spawnattr_t& attr) {
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

} // namespace trevane
