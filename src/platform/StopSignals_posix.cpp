#include "platform/StopSignals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace trevane {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Read and written by the handler: lock-free atomics and sig_atomic_t only.
volatile std::sig_atomic_t g_received = 0;
std::atomic<pid_t> g_step{0};
static_assert(std::atomic<pid_t>::is_always_lock_free);

struct sigaction g_previous[std::size(kStopSignals)];
// A pipe the handler writes a byte into: its read end is notifier().
int g_pipe[2] = {-1, -1};

extern "C" void onStopSignal(int signal) {
    const int savedErrno = errno; // the interrupted code may be about to read it
    if (g_received == 0)
        g_received = signal;
    const pid_t step = g_step.load(std::memory_order_relaxed);
    if (step > 0)
        ::kill(-step, SIGTERM);
    if (g_pipe[1] >= 0) {
        const char byte = 1;
        (void)!::write(g_pipe[1], &byte, 1); // non-blocking: a full pipe has told enough
    }
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals() {
    g_received = 0;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_pipe[0] = g_pipe[1] = -1; // received() still tells; only the notifier is missing
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted calls go on (waiting for a step's output is woken all the same); the handler
    // is used once per signal, so the same signal again ends the program.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        ::sigaction(kStopSignals[i], nullptr, &g_previous[i]);
        // A signal the program was started to ignore (nohup, a background job) stays ignored.
        if (g_previous[i].sa_handler != SIG_IGN)
            ::sigaction(kStopSignals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
        ::sigaction(kStopSignals[i], &g_previous[i], nullptr);
    for (int& end : g_pipe) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

int StopSignals::received() {
    return g_received;
}

int StopSignals::notifier() {
    return g_pipe[0];
}

void StopSignals::stepStarted(pid_t group) {
    g_step.store(group, std::memory_order_relaxed);
    if (g_received != 0 && group > 0)
        ::kill(-group, SIGTERM);
}

void StopSignals::stepEnded() {
    g_step.store(0, std::memory_order_relaxed);
}

} // namespace trevane
