#pragma once

#include <string>
#include <string_view>

namespace trevane {

// Where the process runner's internal checks go when they fail. They guard against exhausted
// system resources (no pipe, no read end, a failed read), after which the runner cannot go on:
// the real reporter shows "Assertion failed: <check>, file BGCopyThread, line <n>" and ends the
// program. Tests pass a recording fake that returns instead.
class FatalReporter {
public:
    virtual ~FatalReporter() = default;

    // Reports the failed check. The real side does not return; a fake may, and the caller then
    // abandons the operation.
    virtual void fail(std::string_view check, int line) = 0;

    // The message text for a failed check.
    static std::string message(std::string_view check, int line);

    // Writes the message to standard error and ends the program with exit code 4, which no
    // other end of the program uses (3 tells a command-line run that touched nothing because
    // another instance runs; this end may come in the middle of a job). Usable from any thread.
    static FatalReporter& standard();
};

} // namespace trevane
