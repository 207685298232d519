#pragma once

#include "jobs/DateTimePattern.h"

#include "UniqueFd.h"

#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The history of runs: one file per job run in the history folder, holding every line the run
// logged and the whole output of its steps (the log panel and Trevane.log keep only the first
// chunks of a step's output and the last iMaxLog lines).
//
// A file is named "YYYYMMDD-HHMMSS-<job file name>.log" after the run's start (a second run of
// the same job within one second adds "-2", "-3"), so names sort by start time. It begins with
// a header of "Key: value" lines that the history lists without reading further:
//
//   Trevane-Run: 1
//   Start: 2026-12-07 02:30:00
//   Job File: /home/user/.config/Trevane/CPL/daily.cpl
//   Result: failed      (running, ok, failed, stopped, broken)
//   Failed Steps: 2
//   End: 2026-12-07 02:41:13
//
// then an empty line and the log. Result, Failed Steps and End are written as "running", 0 and
// blanks when the run starts and rewritten in place when it ends; a file still "running" after
// its run is one the program did not finish (it ended or crashed meanwhile).
namespace RunHistory {

enum class Result { Running, Ok, Failed, Stopped, Broken };

struct Record {
    std::string fileName; // in the history folder
    std::string start;    // "2026-12-07 02:30:00"
    std::string jobFile;  // the job file's full path
    Result result = Result::Running;
    int failedSteps = 0;
};

// The file name of a run of jobFileName (a bare name) started at start.
std::string fileName(const DateTime& start, std::string_view jobFileName, int attempt = 1);

// The runs in folder, newest first; files of other names are left out.
std::vector<Record> list(const std::string& folder);

// The newest runs, which prune() never deletes whatever their age.
inline constexpr int KeptRuns = 100;

// Deletes the run files of folder that started more than days days before the newest run of
// the folder (or before now, when that is earlier), all but the KeptRuns newest (days < 1 keeps
// every file). A run is dated by the start its header records, a file without a header by its
// name: a clock set forward for one run does not make the others old. Only files named as runs
// are touched, and a link is deleted, never followed; a folder reached through another user's
// link is left alone (untrustedLink()). Returns how many were deleted.
int prune(const std::string& folder, int days, const DateTime& now);

// The result as the history window shows it.
std::string resultText(Result result);

} // namespace RunHistory

// The file of one run, written while the run goes on (nothing of it is held in memory). Used
// from one thread at a time.
class RunLogFile {
public:
    // Creates the run's file in folder (made with its missing parents; the last level only for
    // the user) and writes its header. The file is readable by the user alone, is never opened
    // through a link, and folder may lead through no link another user planted. False, with
    // error() saying why, when that cannot be done (a file whose header did not fit on the disk
    // is removed); the run then goes on without a file.
    bool open(const std::string& folder, const DateTime& start, const std::string& jobFilePath);
    bool isOpen() const { return bool(m_fd); }
    // Why the file could not be made or written whole (the first failure); empty until then.
    const std::string& error() const { return m_error; }
    // The file open() made; empty when it made none.
    const std::string& path() const { return m_path; }

    // One log line (a text with line breaks in it is several lines).
    void line(std::string_view text);
    // Bytes of a step's output, as the step wrote them; a line the step left open is ended
    // before the next log line.
    void output(std::string_view bytes);
    // Writes the outcome into the header and closes the file. False when the file is not whole:
    // a write failed (error() says why; the header then still tells the outcome where it could
    // be written). True, and nothing done, when it is not open.
    bool finish(RunHistory::Result result, int failedSteps, const DateTime& end);

private:
    void write(std::string_view bytes);

    UniqueFd m_fd;
    long m_outcomeOffset = 0; // where the "Result:" line begins
    bool m_lineOpen = false;  // the last bytes written did not end a line
    std::string m_path;
    std::string m_error;
};

} // namespace trevane
