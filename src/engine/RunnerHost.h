#pragma once

#include "engine/LogLines.h"
#include "jobs/AtomicFile.h"
#include "jobs/ProgramFiles.h"

#include <optional>
#include <string>
#include <string_view>

namespace trevane {

// The settings the runner copies from the main window once, when it starts. Later changes in
// the options dialog reach the next runner only.
struct RunnerSettings {
    ProgramFiles files;
    int maxLogLines = 500;                 // iMaxLog; below 0 acts as 0
    bool captureOutput = true;             // bAddLog
    std::string dateTimeFormat = "yymmdd"; // asDateTimeFormat, replaces "%t" in archive names
    bool verify = false;                   // bVerify, or a run with --verify
    // Where each job's whole log is kept (RunHistory); empty keeps none.
    std::string runsFolder;
    int historyDays = 90; // iHistoryDays: run files older than this are deleted at a run's start
};

// The main window's side of the background runner: one function per operation that the runner
// hands to the main thread. The runner thread calls these only through its Synchronize, so an
// implementation runs on the main thread, may touch its own widgets and fields freely and never
// needs a lock. Tests implement it with a recording stand-in and call it directly.
//
// The host touches only its own state (queue panel, log panel, status bar, tray tip, continue
// flag, visibility); the runner keeps its own fields (job file path, options, Message). Texts are
// byte strings in the locale code page. Any function may throw; the runner then logs the error
// and goes on with the next job.
class RunnerHost {
public:
    virtual ~RunnerHost() = default;

    // CopySettings: the current values of the settings the runner keeps a copy of.
    virtual RunnerSettings copySettings() = 0;

    // CheckRunAllowed: true when the queue panel holds at least one line and the continue flag
    // is set.
    virtual bool checkRunAllowed() = 0;

    // MarkQueueHead: when the queue panel has a line, colours line 0 pure red (the job that
    // runs now), puts the selection back to empty and returns line 0's text
    // (a bare job-file name). Returns nothing when the queue is empty.
    virtual std::optional<std::string> markQueueHead() = 0;

    // RemoveQueueHead: deletes line 0 of the queue panel when there is one.
    virtual void removeQueueHead() = 0;

    // ReportAbort: colours line 0 of the queue panel black when there is one. The runner logs
    // "コピーを中止しました" itself right after, through addLogLine, within the same call.
    virtual void reportAbort() = 0;

    // HideMainWindow: hides the main window; the tray icon stays.
    virtual void hideMainWindow() = 0;

    // AddLogLine: appends message to the log panel as AppendLogLine does, with the runner's
    // copy of the line limit (LogLines::append implements the rule; the host mirrors it in its
    // widget and scrolls to the end).
    virtual void addLogLine(const std::string& message, int maxLogLines) = 0;

    // AddLogLine for several entries in order, as the runner thread posts them without waiting
    // (the threaded runner's log lines arrive this way, once per turn of the main thread's event
    // loop). Every operation above still waits, and the lines posted before it reach the host
    // first. An error thrown here drops the rest of the batch and is thrown in the runner at its
    // next synchronized call. The default calls addLogLine for each entry; a host with a widget
    // overrides it to update the widget once per batch.
    virtual void addLogLines(const std::vector<LogLines::Entry>& entries);

    // SaveLogPanel: writes the whole log panel to path, replacing the file atomically (CR LF
    // line ends; LogLines::save does it).
    virtual WriteResult saveLogPanel(const std::string& path) = 0;

    // ShowState: status panel 0 <- state; the tray tip <- runningTrayTip(queue line 0).
    virtual void showState(const std::string& state) = 0;

    // RowStarted: a row of the running job is about to run. row is its place among the job's
    // runnable rows (0 for the first), rows their number; runnable rows are command rows and
    // rows with a source and a destination cell (blank and incomplete lines are not counted).
    // For progress displays; the default does nothing.
    virtual void rowStarted(int row, int rows) {
        (void)row;
        (void)rows;
    }

    // JobEnded: a job has ended, its log file is written and the state shows "ready".
    // jobFileName is the job file's bare name, failedSteps the number of its steps that failed
    // (0 when every step worked). Also called for a job ended early by a stop request; not for
    // a queue line whose job file was skipped (missing, unreadable or outside the job-file
    // folder). The default does nothing.
    virtual void jobEnded(const std::string& jobFileName, int failedSteps) {
        (void)jobFileName;
        (void)failedSteps;
    }

    // The run's file in the history (RunHistory) could not be made or written whole: path (the
    // file, or the history folder when no file could be made) and why. The runner has logged a
    // line saying so. The default does nothing.
    virtual void runLogUnwritten(const std::string& path, const std::string& error) {
        (void)path;
        (void)error;
    }

    // One of the process runner's internal checks failed (the system ran out of pipes or a
    // read failed); the program ends right after this returns. Shows message (naming the check,
    // "BGCopyThread" and the line) to the user; the default does nothing, the message also goes
    // to standard error.
    virtual void showFatalMessage(const std::string& message) { (void)message; }

    // The tray tip shown while a job runs: "Trevane - " + queue head + " 実行中", cut to its
    // first 255 bytes (the tray's tip limit).
    static std::string runningTrayTip(std::string_view queueHead);
};

} // namespace trevane
