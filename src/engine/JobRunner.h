#pragma once

#include "PathConventions.h"
#include "engine/RunHistory.h"
#include "engine/RunnerHost.h"
#include "engine/StepResult.h"
#include "jobs/DateTimePattern.h"
#include "jobs/JobOptions.h"
#include "jobs/JobRow.h"

#include <functional>
#include <string>
#include <vector>

namespace trevane {

class ArchiverLibrary;
class Clock;
class DetachedLauncher;
class FatalReporter;
class ProcessSpawner;

// Everything outside the process that the runner uses. The referenced objects must outlive the
// runner; each must be usable from the runner thread.
struct RunnerServices {
    ProcessSpawner& spawner;
    ArchiverLibrary& archiver;
    DetachedLauncher& launcher;
    Clock& clock;
    FatalReporter& fatal;
    DateTimeLocale locale;
    PathConventions conventions = PathConventions::native();
};

// The background runner's work, without the thread: works through the queue of job files,
// runs each job's rows as copies, archive updates and commands, and reports through the host.
//
// Every call into the host goes through the sync function, which the thread implements by
// running the call on the main thread and waiting for it (rethrowing what it throws); tests
// pass a function that simply calls. Log lines may instead be posted without waiting (the
// thread gathers them into batches). Its state is its own: the host's settings as CopySettings
// copied them, the job's options as ReadRunOptions read them, the row being run.
class JobRunner {
public:
    using SyncFunction = std::function<void(const std::function<void()>&)>;
    // Hands one log entry to the host's addLogLines without waiting for it.
    using PostFunction = std::function<void(const std::string& message, int maxLogLines)>;

    // sync defaults to a direct call; terminateRequested (may be empty) is asked before every
    // job besides the queue. Log lines go through postLog when given, else through sync.
    JobRunner(RunnerHost& host, RunnerServices services, SyncFunction sync = {},
              std::function<bool()> terminateRequested = {}, PostFunction postLog = {});

    // The thread body: copies the settings, then runs queue head after queue head until the
    // queue is empty or a stop is requested. An error inside a job (a job file that cannot be
    // read, a host call that throws) is logged as a line and the runner goes on with the next
    // job; nothing escapes.
    void Execute();

    // Reads the options of the job file being run from the settings file and builds the default
    // switch strings; hides the main window when option 10 is on. Runs on the main thread.
    void ReadRunOptions();

    // Runs JobLines: the start lines, every row (checking for a stop before each), the end
    // lines, the log saves and the state "ready".
    void RunJob();

    // Runs one command line as a child, logging it once started and, when CaptureOutput is on,
    // its output in chunks after it ended. Keeps the step's result (its exit status, or that it
    // could not be started) and logs its failure line after the output.
    void RunProcess(const std::string& commandLine);

    // Hands one command line to the archiver library; logs it when the library reports success,
    // and "Unlha32.dll が組込まれていません。" when the library cannot be loaded. Keeps the step's
    // result and logs the failure line of a non-zero return code or a library that cannot be
    // called.
    void RunUnlha(const std::string& commandLine);

    // The results of the steps of the job being run (of the last job once it has ended), in the
    // order they ran.
    const std::vector<StepResult>& stepResults() const { return m_stepResults; }
    int failedSteps() const;

    // The switch texts of the job's options, which a row's empty switch cell stands for (set by
    // ReadRunOptions).
    const SwitchTexts& defaultSwitches() const { return m_switches; }

    // Takes the host's current settings (RunnerSettings: the data folder's files, iMaxLog,
    // bAddLog, the date-time pattern, verify, the run history) as the run's own copy; Execute
    // does it first. Runs on the main thread.
    void CopySettings();

private:
    void Synchronize(const std::function<void()>& op);
    void log(const std::string& text);
    void logToPanel(const std::string& text);
    void openRunLog();
    // Writes the outcome into the run's file and closes it; a file that could not be written
    // whole is told in the log and to the host.
    void finishRunLog(RunHistory::Result result);
    void runLogUnwritten(const std::string& path);
    void CheckRunAllowed();
    void MarkQueueHead();
    void RemoveQueueHead();
    void ReportAbort();
    void ShowState(const std::string& state);
    bool SaveLogPanel(const std::string& path);
    void saveLogFile();
    void saveLogFileIfBehind();
    // Calls the archiver and records its step; true on success. *archiveMade (when given) is
    // also true when the archive was made with files left out, which fails the step.
    bool callArchiver(const std::string& commandLine, bool* archiveMade = nullptr);
    void recordStep(StepResult step);
    // With Verify on, verifies the row whose step just ran (commandLine: its xcopy or u
    // command), unless that step did not run or was stopped: one line per difference, the
    // count line, and a failed step when something differs.
    void verifyRow(const std::string& commandLine, bool archive);
    int countRunnableRows() const;
    void replaceArchive(const std::string& archivePath, const std::string& src,
                        const std::string& command,
                        const std::function<std::string(const std::string&)>& commandFor);
    void runRow(int rowNumber);
    bool runQueueHead();
    std::string nowText();

    bool option(JobOption item) const { return m_options.items[item]; }

    RunnerHost& m_host;
    RunnerServices m_services;
    SyncFunction m_sync;
    std::function<bool()> m_terminateRequested;
    std::string m_queueHead;   // the queue line of the job being run, as the host gave it
    bool m_logUnsaved = false; // lines were logged since the log file was last written
    PostFunction m_postLog;
    RunLogFile m_runLog; // the whole log of the job being run

    RunnerSettings m_settings; // CopySettings' copy
    JobOptions m_options;      // the job's options, read by ReadRunOptions
    SwitchTexts m_switches;    // the switch texts of m_options
    std::vector<std::string> m_jobLines;
    JobRow m_row; // the row being run
    std::string m_jobFilePath;
    std::string m_message; // the text of the last host call that takes one
    bool m_continueRun = false;
    std::vector<StepResult> m_stepResults;
    // The destination of the most recent row that read its destination cell, as that row left
    // it; decides where the log copy goes.
    std::string m_lastDestination;
    // Why ReadRunOptions() did not trust the settings file (as root, one another user may
    // write); the job then does not run.
    std::string m_settingsRefusal;
    // The copy or clearing step of the row ended early because the run was stopped (中止, a
    // stop signal): no failed step, the job ends with "コピーを中止しました".
    bool m_stepInterrupted = false;
};

} // namespace trevane
