#pragma once

#include <sys/types.h>

namespace trevane {

// Stop requests by signal for a run without a window (Ctrl+C in a terminal, a service manager
// or timeout(1) ending the run, a closed terminal). While an object lives, SIGINT, SIGTERM and
// SIGHUP no longer end the program at once: the first one is remembered (received()) and
// passed on as SIGTERM to the process group of the step that runs, so a long copy ends now
// instead of running on without the program; the run then stops at its next check and writes
// its log. A second signal of the same kind ends the program at once. A signal the program was
// started to ignore (nohup) stays ignored. One object at a time.
class StopSignals {
public:
    StopSignals();
    ~StopSignals(); // restores the signals' earlier handling
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first stop signal received since the last object was made, or 0.
    static int received();
    // A descriptor that becomes readable when a stop signal has been received (for an event
    // loop to watch instead of asking received() again and again); -1 without an object.
    static int notifier();

    // The process spawner tells the step that runs: the process group of its child (which leads
    // a session of its own), and 0 when the child has ended. A stop that came before the step
    // started is passed on at once. Harmless while no object lives.
    static void stepStarted(pid_t group);
    static void stepEnded();
};

} // namespace trevane
