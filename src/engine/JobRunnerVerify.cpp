// The runner's verification of a row's backup (JobRunner::verifyRow).
#include "engine/ArchiveVerifier.h"
#include "engine/CopyVerifier.h"
#include "engine/JobRunner.h"

#include "CommandWords.h"

#include <chrono>

namespace trevane {

void JobRunner::verifyRow(const std::string& commandLine, bool archive) {
    if (!m_settings.verify || m_stepInterrupted || m_stepResults.empty())
        return;
    // A step that never ran (no archiver library, a copy not started) made no backup to prove.
    const StepResult::Outcome ran = m_stepResults.back().outcome;
    if (ran != StepResult::Outcome::Done && ran != StepResult::Outcome::Failed)
        return;
    // A stop request ends the verification too; the window's flag is asked a few times a
    // second, not for every file.
    auto lastLook = std::chrono::steady_clock::now();
    const VerifyStop stop = [this, &lastLook] {
        if (m_terminateRequested && m_terminateRequested())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastLook < std::chrono::milliseconds(200))
            return false;
        lastLook = now;
        CheckRunAllowed();
        return !m_continueRun;
    };
    std::optional<VerifyReport> report;
    if (archive) {
        report = ArchiveVerifier::verify(commandLine, stop);
    } else {
        std::vector<std::string> args = CommandWords::split(commandLine).words;
        if (!args.empty())
            args.erase(args.begin()); // the program's name
        report = CopyVerifier::verify(args, stop);
    }
    if (!report)
        return;
    if (report->stopped) {
        m_stepInterrupted = true;
        return;
    }
    for (const std::string& path : report->differences)
        log(VerifyReport::differenceLine(path));
    log(report->summaryLine());
    recordStep(
        {StepResult::Kind::Verify, "検証",
         report->differences.empty() ? StepResult::Outcome::Done : StepResult::Outcome::Failed});
}

} // namespace trevane
