#pragma once

#include <string>

namespace trevane {

// The outcome of one step of a job: a program run to its end (xcopy, the clearing deltree), a
// call of the archiver library, or a command row started without waiting. The runner keeps one
// per step; a failed one is told in the log right after the step's own lines, and a job with
// failed steps ends with their number. A step that worked adds nothing, so a clean log reads
// as it always did.
struct [[nodiscard]] StepResult {
    enum class Kind {
        Program,  // exit status of a child the runner waited for
        Archiver, // return code of the library's entry point
        Command,  // a command row: only whether it could be started
        Verify,   // the comparison of a row's backup with its source: Failed when one differs
    };
    enum class Outcome {
        Done,       // exit status 0, return code 0, or the command was started
        Failed,     // a non-zero exit status (-1: the child did not exit normally) or return code
        NotStarted, // the program could not be started, or the library could not be called
        Refused,    // the runner did not run it, and said why in a line of its own
    };

    Kind kind = Kind::Program;
    std::string step; // what ran: the program's name ("xcopy", or a command row's) or "Unlha"
    Outcome outcome = Outcome::Done;
    int code = 0; // the exit status or return code when Failed

    bool ok() const { return outcome == Outcome::Done; }

    // The log line that tells a failed step; empty for one that worked or was refused, and for
    // a verification, whose differences have lines of their own.
    std::string failureLine() const;

    // The line after "Job End @ " of a job with failedSteps failed steps (more than 0).
    static std::string summaryLine(int failedSteps);
    // The tray message when a job ends unseen: the job file's name, and the summary when a
    // step failed.
    static std::string endNotice(const std::string& jobFileName, int failedSteps);
    // The summary of the desktop's notice of a job with failed steps (its body is endNotice).
    static constexpr const char* FailureNoticeSummary = "Trevane: 失敗した手順があります";
};

} // namespace trevane
