#pragma once

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

    // The launcher of this platform; bare program names are looked for in executableFolder first.
    static std::unique_ptr<DetachedLauncher> createNative(std::string executableFolder);
};

} // namespace trevane
