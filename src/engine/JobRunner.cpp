#include "engine/JobRunner.h"

#include "CommandWords.h"
#include "FileSystem.h"
#include "FileSystemFacts.h"

#include "engine/ArchiverLibrary.h"
#include "engine/Clock.h"
#include "engine/DestinationDisks.h"
#include "engine/FatalReporter.h"
#include "engine/JobCommands.h"
#include "engine/OutputChunks.h"
#include "jobs/AtomicFile.h"
#include "jobs/FolderCell.h"
#include "jobs/IniFile.h"
#include "jobs/JobFile.h"
#include "jobs/JobOptions.h"
#include "jobs/JobRow.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/FolderContainment.h"
#include "platform/ProcessSpawner.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {

// The list of the disks the rows' destinations were on, in the data folder.
constexpr const char* kDiskListName = "DiskList.txt";

// A queue line names a job file inside the job-file folder only when it is a bare file name: no
// separator (which would lead into or out of other folders, or make it absolute) and not one of
// the folder entries "." and "..".
bool isBareFileName(const PathConventions& conv, std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string{conv.separator, '/'}) == std::string_view::npos;
}

// The name a step is told by: the program a command line starts.
std::string programOf(const std::string& commandLine) {
    const std::vector<std::string> words = CommandWords::split(commandLine).words;
    return words.empty() ? commandLine : words.front();
}

// The folder (ending in a separator) that holds the scratch folder of a replaced archive: the
// archive's own folder, or, when that lies in the source folder, the folder beside the source,
// where the archiver does not look. Empty when that is not on the archive's file system (across
// which no rename works) or the source is a root.
std::string scratchParent(const std::string& archiveFolder, const std::string& src) {
    if (!folderHolds(src, archiveFolder))
        return archiveFolder;
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(src, error);
    if (error || !real.has_relative_path())
        return {};
    const std::string beside = real.parent_path().string();
    struct stat a, b;
    if (::stat(archiveFolder.c_str(), &a) != 0 || ::stat(beside.c_str(), &b) != 0 ||
        a.st_dev != b.st_dev)
        return {};
    return beside == "/" ? beside : beside + "/";
}

} // namespace

JobRunner::JobRunner(RunnerHost& host, RunnerServices services, SyncFunction sync,
                     std::function<bool()> terminateRequested, PostFunction postLog)
    : m_host(host), m_services(std::move(services)), m_sync(std::move(sync)),
      m_terminateRequested(std::move(terminateRequested)), m_postLog(std::move(postLog)) {}

void JobRunner::Synchronize(const std::function<void()>& op) {
    if (m_sync)
        m_sync(op);
    else
        op();
}

void JobRunner::log(const std::string& text) {
    m_runLog.line(text);
    logToPanel(text);
}

// A line for the panel and Trevane.log alone (a step's output, which the run's file takes whole).
void JobRunner::logToPanel(const std::string& text) {
    m_message = text;
    m_logUnsaved = true;
    if (m_postLog)
        m_postLog(m_message, m_settings.maxLogLines);
    else
        Synchronize([this] { m_host.addLogLine(m_message, m_settings.maxLogLines); });
}

void JobRunner::CopySettings() {
    m_settings = m_host.copySettings();
}

void JobRunner::openRunLog() {
    if (m_settings.runsFolder.empty())
        return;
    const DateTime now = m_services.clock.now();
    RunHistory::prune(m_settings.runsFolder, m_settings.historyDays, now);
    if (!m_runLog.open(m_settings.runsFolder, now, m_jobFilePath))
        runLogUnwritten(m_settings.runsFolder);
}

void JobRunner::finishRunLog(RunHistory::Result result) {
    const bool wasOpen = m_runLog.isOpen();
    if (!m_runLog.finish(result, failedSteps(), m_services.clock.now()) && wasOpen)
        runLogUnwritten(m_runLog.path());
}

// A run's file that could not be written is a log lost, as Trevane.log would be: the line says
// so in the panel and Trevane.log, the host (a run from the command line) in its exit code.
void JobRunner::runLogUnwritten(const std::string& path) {
    const std::string error = m_runLog.error();
    log(path + "に実行履歴を保存できませんでした。(" + error + ")");
    Synchronize([this, &path, &error] { m_host.runLogUnwritten(path, error); });
}

void JobRunner::CheckRunAllowed() {
    Synchronize([this] { m_continueRun = m_host.checkRunAllowed(); });
}

void JobRunner::MarkQueueHead() {
    Synchronize([this] {
        if (const std::optional<std::string> head = m_host.markQueueHead()) {
            const PathConventions& conv = m_services.conventions;
            m_queueHead = *head;
            m_jobFilePath = conv.join(
                conv.join(m_settings.files.folder, m_settings.files.jobFileFolderName), *head);
        }
    });
}

void JobRunner::RemoveQueueHead() {
    Synchronize([this] { m_host.removeQueueHead(); });
}

void JobRunner::ReportAbort() {
    Synchronize([this] {
        m_host.reportAbort();
        m_message = "コピーを中止しました";
        m_logUnsaved = true;
        m_host.addLogLine(m_message, m_settings.maxLogLines);
    });
    m_runLog.line("コピーを中止しました");
}

void JobRunner::ShowState(const std::string& state) {
    m_message = state;
    Synchronize([this] { m_host.showState(m_message); });
}

bool JobRunner::SaveLogPanel(const std::string& path) {
    m_message = path;
    WriteResult result;
    Synchronize([this, &result] { result = m_host.saveLogPanel(m_message); });
    // A log that cannot be written (a read-only destination, a full disk) is reported in the
    // log itself; the job goes on to its end.
    if (!result.ok)
        log(path + "を保存できませんでした。(" + result.error + ")");
    return result.ok;
}

void JobRunner::saveLogFile() {
    m_logUnsaved = false;
    SaveLogPanel(m_services.conventions.join(m_settings.files.folder, m_settings.files.logName));
    // The line saying that the log file cannot be written cannot reach it either; it stays in
    // the panel, and writing again at once would only fail again.
    m_logUnsaved = false;
}

void JobRunner::saveLogFileIfBehind() {
    if (m_logUnsaved)
        saveLogFile();
}

std::string JobRunner::nowText() {
    return standardDateTimeText(m_services.clock.now(), m_services.locale);
}

void JobRunner::Execute() {
    try {
        Synchronize([this] { CopySettings(); });
    } catch (...) {
        // Without the settings there is nothing sensible to run.
        return;
    }
    while (!(m_terminateRequested && m_terminateRequested())) {
        try {
            CheckRunAllowed();
            if (!m_continueRun)
                break;
            MarkQueueHead();
        } catch (...) {
            // The host cannot say what to run: leaving is the only way not to spin.
            break;
        }
        std::string failure;
        try {
            if (!runQueueHead())
                break;
            continue;
        } catch (const std::exception& e) {
            failure = std::string("ジョブの実行中にエラーが発生しました。(") + e.what() + ")";
        } catch (...) {
            failure = "ジョブの実行中にエラーが発生しました。";
        }
        // The job counts as done: its error is in the log and the next job runs.
        try {
            log(failure);
            finishRunLog(RunHistory::Result::Broken);
            ShowState("ready");
            RemoveQueueHead();
        } catch (...) {
            break; // the host itself fails: stop rather than spin on one queue head
        }
    }
    // Lines logged since the last job wrote its log (a skipped job file, an error) reach the
    // log file too.
    try {
        saveLogFileIfBehind();
    } catch (...) {
        // The host fails: nothing more can be told.
    }
    m_jobLines.clear();
    m_row = {};
}

// Runs the job at the queue head; false when the runner is to leave its loop.
bool JobRunner::runQueueHead() {
    // Only job files in the job-file folder run: a name that leads elsewhere is skipped, and
    // the line says where the job file would have to be.
    const PathConventions& conv = m_services.conventions;
    if (!isBareFileName(conv, m_queueHead)) {
        log("Job File: " + m_queueHead + "はCPLフォルダ (" +
            conv.join(m_settings.files.folder, m_settings.files.jobFileFolderName) +
            ") の外にあるのでスキップします。");
        RemoveQueueHead();
        return true;
    }
    if (!fileExists(m_jobFilePath)) {
        log("Job File: " + m_jobFilePath + "は存在しないのでスキップします。");
        RemoveQueueHead();
        return true;
    }
    JobFileLines read = readJobFile(m_jobFilePath);
    if (!read.ok()) {
        log("Job File: " + m_jobFilePath + "は読み込めないのでスキップします。(" + read.error +
            ")");
        RemoveQueueHead();
        return true;
    }
    m_jobLines = std::move(read.lines);
    Synchronize([this] { ReadRunOptions(); });
    if (!m_settingsRefusal.empty()) {
        log("Job File: " + m_jobFilePath + "は実行しません。(" + m_settingsRefusal + ")");
        RemoveQueueHead();
        return true;
    }
    RunJob();
    if (!m_continueRun)
        return false;
    RemoveQueueHead();
    return true;
}

void JobRunner::ReadRunOptions() {
    IniFile ini;
    // A job without a readable options section runs with the runner's defaults; settings that
    // another user may have written keep a run as root from starting at all.
    const ReadStatus read = ini.load(
        m_services.conventions.join(m_settings.files.folder, m_settings.files.settingsName),
        Writers::OwnerOnlyAsRoot);
    m_settingsRefusal = read == ReadStatus::Refused ? ini.loadError() : std::string();
    m_options = JobOptions::read(ini, m_jobFilePath, JobOptions::runnerDefaults());
    m_switches = switchTexts(m_options);
    if (option(JobOption::HideAtStart))
        m_host.hideMainWindow();
}

int JobRunner::failedSteps() const {
    return static_cast<int>(std::count_if(m_stepResults.begin(), m_stepResults.end(),
                                          [](const StepResult& r) { return !r.ok(); }));
}

void JobRunner::recordStep(StepResult step) {
    const std::string line = step.failureLine();
    m_stepResults.push_back(std::move(step));
    if (!line.empty())
        log(line);
}

int JobRunner::countRunnableRows() const {
    return static_cast<int>(
        std::count_if(m_jobLines.begin(), m_jobLines.end(),
                      [](const std::string& l) { return JobRow::fromLine(l).isStep(); }));
}

void JobRunner::RunJob() {
    const PathConventions& conv = m_services.conventions;
    m_lastDestination.clear();
    m_stepResults.clear();
    m_stepInterrupted = false;
    const int runnableRows = countRunnableRows();
    int rowsStarted = 0;
    bool stopped = false;
    openRunLog();
    ShowState("working...");
    log("Job File: " + m_jobFilePath);
    log("Job Start @ " + nowText());
    // The number of lines is read again before every pass: a row added meanwhile still runs.
    for (std::size_t i = 0; i < m_jobLines.size(); ++i) {
        CheckRunAllowed();
        if (!m_continueRun) {
            ReportAbort();
            stopped = true;
            break;
        }
        m_row = JobRow::fromLine(m_jobLines[i]);
        if (m_row.isStep()) {
            const int row = rowsStarted++;
            Synchronize([this, row, runnableRows] { m_host.rowStarted(row, runnableRows); });
        }
        runRow(static_cast<int>(i) + 1);
        if (m_stepInterrupted) {
            ReportAbort();
            stopped = true;
            break;
        }
    }
    log("Job End @ " + nowText() + "\n");
    const int failed = failedSteps();
    if (failed > 0)
        log(StepResult::summaryLine(failed));
    saveLogFile();
    // A copy that fails says so in a line, which then goes into the log file as well. Without a
    // destination the copy would land in the root or the current folder.
    if (option(JobOption::CopyLogToDestination) && m_lastDestination.empty())
        log("コピー先ディレクトリがないので、ログファイルをコピーしません。");
    else if (option(JobOption::CopyLogToDestination))
        SaveLogPanel(conv.join(m_lastDestination, m_settings.files.logName));
    saveLogFileIfBehind();
    using RunResult = RunHistory::Result;
    finishRunLog(stopped ? RunResult::Stopped : failed > 0 ? RunResult::Failed : RunResult::Ok);
    saveLogFileIfBehind();
    ShowState("ready");
    const std::string name = conv.fileName(m_jobFilePath);
    Synchronize([this, &name, failed] { m_host.jobEnded(name, failed); });
}

void JobRunner::runRow(int rowNumber) {
    const PathConventions& conv = m_services.conventions;
    const JobRow& row = m_row;
    if (row.kind == JobRow::Kind::Command) {
        log(row.command);
        const bool started = m_services.launcher.start(row.command, nullptr);
        recordStep({StepResult::Kind::Command, programOf(row.command),
                    started ? StepResult::Outcome::Done : StepResult::Outcome::NotStarted});
        return;
    }
    if (!row.isStep())
        return;

    // A folder that is not there skips the row with a line saying so; the copy or archive
    // that did not happen counts as a failed step, as an unmounted backup disk must.
    const bool archiveRow = row.kind == JobRow::Kind::Archive;
    const auto skip = [&](const std::string& line) {
        log(line);
        recordStep({archiveRow ? StepResult::Kind::Archiver : StepResult::Kind::Program,
                    archiveRow ? "Unlha" : "xcopy", StepResult::Outcome::Refused});
    };
    // A folder cell of blanks is a step the window shows and saves: it is not passed over
    // without a word. A relative folder would be read from whatever folder the program was
    // started in.
    using Side = FolderCell::Side;
    const FolderCell source = FolderCell::read(row.source);
    if (!source.isFolder()) {
        skip(source.skipLine(rowNumber, Side::Source));
        return;
    }
    const std::string src = source.text;
    if (!directoryExists(src)) {
        skip(src + "がみつかりませんでした");
        return;
    }
    const std::string& files = row.files;
    const std::string sourceArgument = JobCommands::sourceArgument(conv, src, files);

    const FolderCell destination = FolderCell::read(row.destination);
    m_lastDestination.clear();
    if (!destination.isFolder()) {
        skip(destination.skipLine(rowNumber, Side::Destination));
        return;
    }
    std::string dst = destination.text;
    m_lastDestination = dst;

    // A backup disk that is not plugged in must not be stood in for by the folder left behind
    // (or made by option 4) on another disk: nothing is created, cleared or copied.
    DestinationDisks disks(conv.join(m_settings.files.folder, kDiskListName));
    if (const std::string refused = disks.check(dst); !refused.empty()) {
        skip(refused);
        return;
    }
    const std::size_t stepsBefore = m_stepResults.size();
    struct RememberOnSuccess {
        JobRunner& runner;
        DestinationDisks& disks;
        const std::string& folder;
        std::size_t before;
        ~RememberOnSuccess() {
            const auto& steps = runner.m_stepResults;
            if (steps.size() > before &&
                std::all_of(steps.begin() + static_cast<std::ptrdiff_t>(before), steps.end(),
                            [](const StepResult& s) { return s.ok(); }))
                disks.remember(folder);
        }
    } rememberOnSuccess{*this, disks, dst, stepsBefore};

    const std::string& archive = row.archive;
    std::string archivePath;
    if (archiveRow) {
        if (!directoryExists(dst)) {
            skip(dst + "が見つかりませんでした");
            return;
        }
        dst = conv.withTrailingSeparator(std::move(dst));
        m_lastDestination = dst;
        const std::string stamp =
            formatDateTime(m_settings.dateTimeFormat, m_services.clock.now(), m_services.locale);
        archivePath = dst + JobCommands::stampArchiveName(archive, stamp);
        // A date-time pattern with ":" makes a name that a FAT, exFAT or NTFS disk refuses.
        const std::string refused = fileSystemOfPath(dst).refusal(
            conv.fileName(JobCommands::archiveFile(conv, archivePath)), 0);
        if (!refused.empty()) {
            skip(refused + " - " + archivePath);
            return;
        }
    }

    if (archive.empty() && option(JobOption::ClearDestination) && directoryExists(dst)) {
        // Clearing a destination that is the source, or holds it, would delete the source.
        if (folderHolds(dst, src)) {
            log(dst + "はコピー元を含むので消去せず、コピーをスキップします。");
            recordStep({StepResult::Kind::Program,
                        programOf(JobCommands::clearCommand(dst)),
                        StepResult::Outcome::Refused});
            return;
        }
        // A destination that is a link is emptied behind the link: the link stays, so the copy
        // still goes where it leads. A link another user planted is not followed.
        if (const std::string link = untrustedLink(dst); !link.empty()) {
            log(untrustedLinkText(link));
            recordStep({StepResult::Kind::Program, programOf(JobCommands::clearCommand(dst)),
                        StepResult::Outcome::Refused});
            return;
        }
        const std::string folder = linkTarget(dst);
        RunProcess(JobCommands::clearCommand(folder));
        if (m_stepInterrupted)
            return;
        if (createDirectory(folder))
            log(folder + "を作成しました");
    }
    if (!directoryExists(dst)) {
        if (!option(JobOption::CreateDestination)) {
            skip(dst + "がみつかりませんでした");
            return;
        }
        if (const std::string link = untrustedLink(dst); !link.empty()) {
            skip(untrustedLinkText(link));
            return;
        }
        if (createDirectory(dst))
            log(dst + "を作成しました");
    }

    // The folder window is no step of the job: whether it opens is not reported.
    if (option(JobOption::OpenDestination))
        (void)m_services.launcher.start(JobCommands::folderWindowCommand(dst), nullptr);

    const std::string& xcopySwitches =
        row.xcopySwitches.empty() ? m_switches.xcopy : row.xcopySwitches;
    const std::string& uSwitches = row.uSwitches.empty() ? m_switches.u : row.uSwitches;

    if (archive.empty()) {
        const std::string command = JobCommands::copyCommand(sourceArgument, dst, xcopySwitches);
        RunProcess(command);
        verifyRow(command, false);
        return;
    }
    const std::string command =
        JobCommands::archiveCommand(conv, archivePath, src, files, uSwitches);
    if (option(JobOption::ClearDestination) &&
        fileExists(JobCommands::archiveFile(conv, archivePath)))
        replaceArchive(archivePath, src, command, [&](const std::string& newArchive) {
            return JobCommands::archiveCommand(conv, newArchive, src, files, uSwitches);
        });
    else
        RunUnlha(command);
    verifyRow(command, true);
}

void JobRunner::replaceArchive(const std::string& archivePath, const std::string& src,
                               const std::string& command,
                               const std::function<std::string(const std::string&)>& commandFor) {
    // The new archive is made in a fresh folder; the old one goes only when the new one is
    // complete, by a rename over it. A failure leaves the old archive as it was. An archive
    // reached through a link is replaced where the link leads; the link stays.
    const PathConventions& conv = m_services.conventions;
    if (const std::string link = untrustedLink(JobCommands::archiveFile(conv, archivePath));
        !link.empty()) {
        log(untrustedLinkText(link));
        recordStep({StepResult::Kind::Archiver, "Unlha", StepResult::Outcome::Refused});
        return;
    }
    const std::string real = linkTarget(JobCommands::archiveFile(conv, archivePath));
    const std::string name = conv.fileName(real);
    const std::string archiveFolder = real.substr(0, real.size() - name.size());
    const std::string parent = scratchParent(archiveFolder, src);
    // An archive that nobody may write is one its owner protected: it is not deleted, and the
    // update in place that a failed deletion leads to is refused by the archiver, a failed step.
    const bool protectedArchive = isWriteProtected(real);
    std::string folder = parent + ".trevane-XXXXXX";
    if (parent.empty() || protectedArchive || !::mkdtemp(folder.data())) {
        RunUnlha(command);
        return;
    }
    const std::string newArchive = conv.join(folder, name);
    std::error_code ignored;
    if (parent != archiveFolder) {
        // The source holds the archive: the old one waits in the scratch folder beside the
        // source while the new one is made in its place, or the archiver would take it in.
        if (std::rename(real.c_str(), newArchive.c_str()) != 0) {
            std::filesystem::remove(folder, ignored);
            RunUnlha(command);
            return;
        }
        bool made = false;
        if (callArchiver(command, &made) || made) {
            log(archivePath + "を削除しました。");
            if (!m_stepResults.empty() && m_stepResults.back().ok())
                log(command);
        } else if (std::rename(newArchive.c_str(), real.c_str()) != 0) {
            return; // the old archive stays where it waited rather than be lost
        }
        std::filesystem::remove_all(folder, ignored);
        return;
    }
    // An archive with files left out still holds everything else: it replaces the old one.
    bool made = false;
    const bool ok = callArchiver(commandFor(newArchive), &made);
    if (made) {
        if (fileExists(newArchive)) {
            if (fileSystemCalls().renameat(AT_FDCWD, newArchive.c_str(), AT_FDCWD, real.c_str()) !=
                0) {
                // The new archive is complete but could not take the old one's place: the
                // step failed, and the new archive stays where the line says, not lost.
                const std::string error = std::strerror(errno);
                log(real + "を新しい書庫に置き換えられませんでした。新しい書庫は" + newArchive +
                    "に残しました。(" + error + ")");
                m_stepResults.back() = {StepResult::Kind::Archiver, "Unlha",
                                        StepResult::Outcome::Refused};
                return;
            }
            log(archivePath + "を削除しました。");
        }
    }
    if (ok)
        log(command);
    std::filesystem::remove_all(folder, ignored);
}

void JobRunner::RunProcess(const std::string& commandLine) {
    const std::size_t keep = m_settings.captureOutput ? OutputChunks::MaxLoggedBytes : 0;
    // The start line is logged from inside the spawner while the child runs; an error there is
    // kept until the child has been waited for, so no child is left unreaped.
    std::exception_ptr logError;
    const ProcessSpawner::Result result = m_services.spawner.run(
        commandLine, keep,
        [this, &commandLine, &logError] {
            try {
                log(commandLine);
            } catch (...) {
                logError = std::current_exception();
            }
        },
        [this](std::string_view bytes) { m_runLog.output(bytes); });
    using Check = ProcessSpawner::FailedCheck;
    if (result.failedCheck == Check::PipeCreation) {
        m_services.fatal.fail("CreatePipe(&hReadPipe, &hWritePipe, lpsa, 2500000)", __LINE__);
        return;
    }
    if (result.failedCheck == Check::WriteEnd) {
        m_services.fatal.fail("hWritePipe", __LINE__);
        return;
    }
    StepResult step{StepResult::Kind::Program, programOf(commandLine)};
    if (result.start != ProcessSpawner::StartStatus::Started) {
        step.outcome = StepResult::Outcome::NotStarted;
        recordStep(std::move(step));
        return;
    }
    if (result.exitCode != 0) {
        step.outcome = StepResult::Outcome::Failed;
        step.code = result.exitCode;
        // A step that ended early because the run was stopped did not fail: the job says it
        // was stopped instead.
        CheckRunAllowed();
        m_stepInterrupted = !m_continueRun;
    }
    if (logError)
        std::rethrow_exception(logError);
    if (result.handleError)
        log("process handle error");
    if (result.waitFailed)
        log("process wait failure");
    if (m_settings.captureOutput) {
        if (result.failedCheck == Check::ReadEnd) {
            m_services.fatal.fail("hReadPipe", __LINE__);
            return;
        }
        for (const std::string& chunk : OutputChunks::split(result.output))
            logToPanel(chunk);
        if (result.failedCheck == Check::Read) {
            m_services.fatal.fail("ReadFile(hReadPipe, &dest, sizeof(dest), &BytesRead, NULL)",
                                  __LINE__);
            return;
        }
    }
    if (!m_stepInterrupted)
        recordStep(std::move(step));
}

void JobRunner::RunUnlha(const std::string& commandLine) {
    if (callArchiver(commandLine))
        log(commandLine);
}

bool JobRunner::callArchiver(const std::string& commandLine, bool* archiveMade) {
    const ArchiverLibrary::Result result = m_services.archiver.callUnlha(commandLine);
    if (result.status == ArchiverLibrary::Status::NotLoaded)
        log("Unlha32.dll が組込まれていません。");
    StepResult step{StepResult::Kind::Archiver, "Unlha"};
    if (result.status != ArchiverLibrary::Status::Called) {
        step.outcome = StepResult::Outcome::NotStarted;
    } else if (result.code != 0) {
        step = {StepResult::Kind::Archiver, "Unlha", StepResult::Outcome::Failed, result.code};
        // What went wrong, in the library's words, before the line with its number.
        std::istringstream lines(result.output);
        for (std::string line; std::getline(lines, line);)
            if (!line.empty())
                log(line);
    }
    const bool ok = step.ok();
    if (archiveMade)
        *archiveMade = ok || (result.status == ArchiverLibrary::Status::Called &&
                              result.code == ArchiverLibrary::FilesLeftOut);
    // A success is told by the command line, which the caller logs after its own lines.
    recordStep(std::move(step));
    return ok;
}

} // namespace trevane
