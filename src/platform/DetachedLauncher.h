#pragma once

#include <functional>
#include <memory>
#include <string>

namespace trevane {

// Starts a program from a command line without waiting for it: the job's command cells, folder
// windows and the log viewer. The program runs on by itself, in a session of its own with no
// standard input or output; the caller never waits for it and leaves no zombie behind.
class DetachedLauncher {
public:
    virtual ~DetachedLauncher() = default;

    // Starts commandLine (split by CommandWords, the program found by findProgram). Returns
    // false with a reason in *error (when given) when the line leaves a quote open, or the
    // program is not found or cannot be started; what the program does afterwards is not
    // reported.
    [[nodiscard]] virtual bool start(const std::string& commandLine, std::string* error) = 0;

    // How a watched program ended: its exit status, or -1 when a signal ended it.
    using Ended = std::function<void(int exitStatus)>;
    // Starts commandLine as start() does, and calls ended once the program has ended, on a
    // thread of its own, so that a failure the program tells only by its exit status (xdg-open
    // finding no program for a file) can be reported. ended must stay callable until then. This
    // default never calls it.
    [[nodiscard]] virtual bool startWatched(const std::string& commandLine, std::string* error,
                                            Ended ended) {
        (void)ended;
        return start(commandLine, error);
    }

    // The launcher of this platform; bare program names are looked for in executableFolder first.
    static std::unique_ptr<DetachedLauncher> createNative(std::string executableFolder);
};

} // namespace trevane
