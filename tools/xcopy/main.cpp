#include "Xcopy.h"
#include "XcopyCommandLine.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sys/resource.h>

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> g_stop{false};
volatile std::sig_atomic_t g_signal = 0;
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStopSignal(int signal) {
    if (g_signal == 0)
        g_signal = signal;
    g_stop.store(true, std::memory_order_relaxed);
}

// A stop (the runner's SIGTERM to the step, Ctrl+C) lets the files in flight be removed before
// the program ends by the signal, as it would have without the handler; a second one ends it
// at once (SA_RESETHAND).
void catchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : kStopSignals) {
        struct sigaction previous;
        // A signal the program was started to ignore (nohup) stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

// TREVANE_FILES_IN_FLIGHT: how many files are copied at once (1 to 64); unset or anything
// else lets the destination decide.
unsigned filesInFlight() {
    const char* text = std::getenv("TREVANE_FILES_IN_FLIGHT");
    if (text == nullptr || *text == '\0')
        return 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    return *end == '\0' && value >= 1 && value <= 64 ? static_cast<unsigned>(value) : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    const trevane::XcopyParseResult parsed =
        trevane::XcopyCommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
        std::fprintf(stderr, "%s\n", parsed.error.c_str());
        return 4;
    }
    // Every folder level of the walk holds two descriptors open; allow deep trees.
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    static char buffer[64 * 1024];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    catchStopSignals();
    trevane::Xcopy xcopy(parsed.options, stdout, stderr, {&g_stop, filesInFlight()});
    const int code = xcopy.run();
    if (g_signal != 0) {
        std::fflush(stdout);
        std::signal(g_signal, SIG_DFL);
        std::raise(g_signal);
    }
    return code;
}
