#include "engine/JobRunner.h"

#include "engine/ArchiverLibrary.h"
#include "engine/Clock.h"
#include "engine/FatalReporter.h"
#include "engine/JobCommands.h"
#include "engine/OutputChunks.h"
#include "jobs/CommaText.h"
#include "jobs/IniFile.h"
#include "jobs/JobFile.h"
#include "jobs/JobOptions.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/ProcessSpawner.h"

#include <exception>
#include <unistd.h>

namespace trevane {

namespace {

std::string cellAt(const std::vector<std::string>& cells, std::size_t index) {
    return index < cells.size() ? cells[index] : std::string();
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
    Message = text;
    if (m_postLog)
        m_postLog(Message, MaxLogLines);
    else
        Synchronize([this] { m_host.addLogLine(Message, MaxLogLines); });
}

void JobRunner::CopySettings() {
    const RunnerSettings s = m_host.copySettings();
    ProgramFolder = s.programFolder;
    SettingsFileName = s.settingsFileName;
    LogFileName = s.logFileName;
    MaxLogLines = s.maxLogLines;
    IsWinNT = s.isWinNT;
    CaptureOutput = s.captureOutput;
    DateTimeFormat = s.dateTimeFormat;
}

void JobRunner::CheckRunAllowed() {
    Synchronize([this] { ContinueRun = m_host.checkRunAllowed(); });
}

void JobRunner::MarkQueueHead() {
    Synchronize([this] {
        if (const std::optional<std::string> head = m_host.markQueueHead()) {
            const PathConventions& conv = m_services.conventions;
            JobFilePath = conv.join(conv.join(ProgramFolder, "CPL"), *head);
        }
    });
}

void JobRunner::RemoveQueueHead() {
    Synchronize([this] { m_host.removeQueueHead(); });
}

void JobRunner::ReportAbort() {
    Synchronize([this] {
        m_host.reportAbort();
        Message = "コピーを中止しました";
        m_host.addLogLine(Message, MaxLogLines);
    });
}

void JobRunner::ShowState(const std::string& state) {
    Message = state;
    Synchronize([this] { m_host.showState(Message); });
}

void JobRunner::SaveLogPanel(const std::string& path) {
    Message = path;
    RunnerHost::SaveResult result;
    Synchronize([this, &result] { result = m_host.saveLogPanel(Message); });
    // A log that cannot be written (a read-only destination, a full disk) is reported in the
    // log itself; the job goes on to its end.
    if (!result.ok)
        log(path + "を保存できませんでした。(" + result.error + ")");
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
            if (!ContinueRun)
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
            ShowState("ready");
            RemoveQueueHead();
        } catch (...) {
            break; // the host itself fails: stop rather than spin on one queue head
        }
    }
    JobLines.clear();
    RowCells.clear();
}

// Runs the job at the queue head; false when the runner is to leave its loop.
bool JobRunner::runQueueHead() {
    if (!fileExists(JobFilePath)) {
        log("Job File: " + JobFilePath + "は存在しないのでスキップします。");
        RemoveQueueHead();
        return true;
    }
    JobFileLines read = readJobFile(JobFilePath);
    if (!read.ok()) {
        log("Job File: " + JobFilePath + "は読み込めないのでスキップします。(" + read.error + ")");
        RemoveQueueHead();
        return true;
    }
    JobLines = std::move(read.lines);
    Synchronize([this] { ReadRunOptions(); });
    RunJob();
    if (!ContinueRun)
        return false;
    RemoveQueueHead();
    return true;
}

void JobRunner::ReadRunOptions() {
    IniFile ini;
    ini.load(m_services.conventions.join(ProgramFolder, SettingsFileName));
    const JobOptions options = JobOptions::read(ini, JobFilePath, JobOptions::runnerDefaults());
    const SwitchTexts switches = switchTexts(options);
    DefaultXcopySwitches = switches.xcopy;
    DefaultUSwitches = switches.u;
    CreateDestination = options.bOption[4];
    ClearDestination = options.bOption[7];
    CopyLogToDestination = options.bOption[8];
    OpenDestination = options.bOption[9];
    HideAtStart = options.bOption[10];
    if (HideAtStart)
        m_host.hideMainWindow();
}

void JobRunner::RunJob() {
    const PathConventions& conv = m_services.conventions;
    LastDestination.clear();
    ShowState("working...");
    log("Job File: " + JobFilePath);
    log("Job Start @ " + nowText());
    // The number of lines is read again before every pass, as the description has it.
    for (std::size_t i = 0; i < JobLines.size(); ++i) {
        CheckRunAllowed();
        if (!ContinueRun) {
            ReportAbort();
            break;
        }
        runRow(JobLines[i]);
    }
    log("Job End @ " + nowText() + "\n");
    SaveLogPanel(conv.join(ProgramFolder, LogFileName));
    if (CopyLogToDestination)
        SaveLogPanel(conv.join(LastDestination, LogFileName));
    ShowState("ready");
}

void JobRunner::runRow(const std::string& line) {
    const PathConventions& conv = m_services.conventions;
    RowCells = splitCommaText(line);

    if (RowCells.size() >= 7 && !RowCells[6].empty()) {
        const std::string command = RowCells[6];
        log(command);
        m_services.launcher.start(command, nullptr);
        return;
    }
    if (RowCells.size() < 2)
        return;

    std::string src = JobCommands::trimCell(RowCells[0]);
    if (src.empty())
        return;
    src = JobCommands::withoutTrailingSeparator(conv, std::move(src));
    if (!directoryExists(src)) {
        log(src + "がみつかりませんでした");
        return;
    }
    const std::string files = JobCommands::trimCell(cellAt(RowCells, 2));
    const std::string sourceArgument = JobCommands::sourceArgument(conv, src, files);

    std::string dst = JobCommands::trimCell(RowCells[1]);
    LastDestination = dst;
    if (dst.empty())
        return;
    dst = JobCommands::withoutTrailingSeparator(conv, std::move(dst));
    LastDestination = dst;

    const std::string archive = JobCommands::trimCell(cellAt(RowCells, 3));
    std::string archivePath;
    if (!archive.empty()) {
        if (!directoryExists(dst)) {
            log(dst + "が見つかりませんでした");
            return;
        }
        dst = conv.withTrailingSeparator(std::move(dst));
        LastDestination = dst;
        const std::string stamp =
            formatDateTime(DateTimeFormat, m_services.clock.now(), m_services.locale);
        archivePath = dst + JobCommands::stampArchiveName(archive, stamp);
    }

    if (archive.empty() && ClearDestination && directoryExists(dst)) {
        RunProcess(JobCommands::clearCommand(dst, IsWinNT));
        if (createDirectory(dst))
            log(dst + "を作成しました");
    }
    if (!directoryExists(dst)) {
        if (!CreateDestination) {
            log(dst + "がみつかりませんでした");
            return;
        }
        if (createDirectory(dst))
            log(dst + "を作成しました");
    }

    if (OpenDestination)
        m_services.launcher.start(JobCommands::folderWindowCommand(conv, dst), nullptr);

    std::string xcopySwitches = JobCommands::trimCell(cellAt(RowCells, 4));
    if (xcopySwitches.empty())
        xcopySwitches = DefaultXcopySwitches;
    std::string uSwitches = JobCommands::trimCell(cellAt(RowCells, 5));
    if (uSwitches.empty())
        uSwitches = DefaultUSwitches;

    if (archive.empty()) {
        RunProcess(JobCommands::copyCommand(sourceArgument, dst, xcopySwitches));
        return;
    }
    if (ClearDestination && fileExists(archivePath) && ::unlink(archivePath.c_str()) == 0)
        log(archivePath + "を削除しました。");
    RunUnlha(JobCommands::archiveCommand(conv, archivePath, src, files, uSwitches));
}

void JobRunner::RunProcess(const std::string& commandLine) {
    const std::size_t keep = CaptureOutput ? OutputChunks::MaxLoggedBytes : 0;
    // The start line is logged from inside the spawner while the child runs; an error there is
    // kept until the child has been waited for, so no child is left unreaped.
    std::exception_ptr logError;
    const ProcessSpawner::Result result =
        m_services.spawner.run(commandLine, keep, [this, &commandLine, &logError] {
            try {
                log(commandLine);
            } catch (...) {
                logError = std::current_exception();
            }
        });
    using Check = ProcessSpawner::FailedCheck;
    if (result.failedCheck == Check::PipeCreation) {
        m_services.fatal.fail("CreatePipe(&hReadPipe, &hWritePipe, lpsa, 2500000)", __LINE__);
        return;
    }
    if (result.failedCheck == Check::WriteEnd) {
        m_services.fatal.fail("hWritePipe", __LINE__);
        return;
    }
    if (result.start != ProcessSpawner::StartStatus::Started)
        return;
    if (logError)
        std::rethrow_exception(logError);
    if (result.handleError)
        log("process handle error");
    if (result.waitFailed)
        log("process wait failure");
    if (!CaptureOutput)
        return;
    if (result.failedCheck == Check::ReadEnd) {
        m_services.fatal.fail("hReadPipe", __LINE__);
        return;
    }
    for (const std::string& chunk : OutputChunks::split(result.output))
        log(chunk);
    if (result.failedCheck == Check::Read)
        m_services.fatal.fail("ReadFile(hReadPipe, &dest, sizeof(dest), &BytesRead, NULL)",
                              __LINE__);
}

void JobRunner::RunUnlha(const std::string& commandLine) {
    const ArchiverLibrary::Result result = m_services.archiver.callUnlha(commandLine);
    if (result.status == ArchiverLibrary::Status::NotLoaded) {
        log("Unlha32.dll が組込まれていません。");
        return;
    }
    if (result.status == ArchiverLibrary::Status::Called && result.code == 0)
        log(commandLine);
}

} // namespace trevane
