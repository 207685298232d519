#pragma once

#include "engine/LogLines.h"
#include "engine/RunnerHost.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace trevane {

// The runner's host for a run without a window: the queue is a plain list of job-file names,
// the log panel a line store that starts with the log file's lines as the window's does, and
// the window's other parts (queue colours, status bar, tray tip, hiding) are absent. The runner
// calls it directly on the calling thread.
//
// It also adds up how the run went, for the program's exit code.
class HeadlessHost : public RunnerHost {
public:
    // Runs every name of queue until stopRequested (when given) says true; the log store starts
    // with the lines of the log file named by settings (when it can be read).
    HeadlessHost(RunnerSettings settings, std::vector<std::string> queue,
                 std::function<bool()> stopRequested = {});

    RunnerSettings copySettings() override { return m_settings; }
    bool checkRunAllowed() override;
    std::optional<std::string> markQueueHead() override;
    void removeQueueHead() override;
    void reportAbort() override {}
    void hideMainWindow() override {}
    void addLogLine(const std::string& message, int maxLogLines) override;
    WriteResult saveLogPanel(const std::string& path) override;
    void showState(const std::string&) override {}
    void jobEnded(const std::string& jobFileName, int failedSteps) override;
    void runLogUnwritten(const std::string& path, const std::string& error) override {
        m_unwrittenLogs.emplace(path, error);
    }

    // Queue lines that left without their job having run (a job file missing, unreadable or
    // outside the job-file folder, or a job that broke off with an error).
    int skippedJobs() const { return m_skippedJobs; }
    // Failed steps of all jobs that ran.
    int failedSteps() const { return m_failedSteps; }
    // Log files that could not be written (the log file, its copy in a destination, or a run's
    // file in the history): path and why. No line of the log can tell this where the user looks.
    const std::map<std::string, std::string>& unwrittenLogs() const { return m_unwrittenLogs; }
    // 0 every step worked, 1 a step failed or a log file could not be written, 2 a job was
    // skipped (which outweighs the others).
    int exitCode() const;

    // Called at the end of every job that ran, with its bare name and failed steps (may be
    // empty).
    std::function<void(const std::string& jobFileName, int failedSteps)> onJobEnded;

private:
    RunnerSettings m_settings;
    std::vector<std::string> m_queue;
    std::function<bool()> m_stopRequested;
    LogLines m_log;
    bool m_headEnded = false;
    int m_skippedJobs = 0;
    int m_failedSteps = 0;
    std::map<std::string, std::string> m_unwrittenLogs;
};

} // namespace trevane
