#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace trevane {

// Runs one command line as a child program and waits for it, with its standard output and
// standard error on one pipe (mixed in the order the child wrote them) and no standard input.
// The child runs in a session of its own. The pipe is drained while the child runs, so a child
// that writes more than a pipe holds never stalls; only the first keepOutput bytes are kept.
class ProcessSpawner {
public:
    enum class StartStatus {
        Started,
        NotFound, // the program named by the command line does not exist
        Failed,   // it exists but could not be started, or the command line is empty
    };

    // The internal checks that guard against exhausted system resources. A failed check means
    // the caller cannot go on sensibly; the runner ends the program on it.
    enum class FailedCheck {
        None,
        PipeCreation, // the output pipe could not be created
        WriteEnd,     // the pipe's write end is missing
        ReadEnd,      // the pipe's read end is missing
        Read,         // reading the pipe failed (not the end of the output)
    };

    struct [[nodiscard]] Result {
        StartStatus start = StartStatus::Failed;
        std::string startError;   // why the start failed, for diagnostics only
        bool handleError = false; // the system gave no handle for the started child
        bool waitFailed = false;  // waiting for the child's end failed
        int exitCode = -1;        // the child's exit code, or -1 when it did not exit normally
        std::string output;       // the first keepOutput bytes of what the child wrote
        FailedCheck failedCheck = FailedCheck::None;
    };

    virtual ~ProcessSpawner() = default;

    // Starts commandLine (split by CommandWords, the program found by findProgram; a line that
    // leaves a quote open is not started), calls
    // onStarted on the calling thread right after a successful start while the child still runs,
    // then blocks until the child has ended and all of the output it left in the pipe is read.
    // Output written later by programs the child left running is not waited for. Thread-safe:
    // one call per thread at a time, any number of threads.
    //
    // onOutput (when given) receives every byte the child writes, in order and as it is read,
    // also beyond keepOutput, on the calling thread; the bytes are valid only during the call.
    using OutputSink = std::function<void(std::string_view bytes)>;
    virtual Result run(const std::string& commandLine, std::size_t keepOutput,
                       const std::function<void()>& onStarted, const OutputSink& onOutput = {}) = 0;

    // The spawner of this platform; bare program names are looked for in executableFolder first.
    static std::unique_ptr<ProcessSpawner> createNative(std::string executableFolder);
};

} // namespace trevane
