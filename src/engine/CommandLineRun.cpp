#include "engine/CommandLineRun.h"

#include "PathConventions.h"
#include "engine/FatalReporter.h"
#include "engine/HeadlessHost.h"
#include "engine/JobRunner.h"
#include "engine/NativeRunnerServices.h"
#include "engine/Restorer.h"
#include "engine/StepResult.h"
#include "engine/UnlhaLibrary.h"
#include "jobs/IniFile.h"
#include "jobs/ProgramFiles.h"
#include "jobs/RegisteredJobList.h"
#include "jobs/Settings.h"
#include "platform/AppPaths.h"
#include "platform/DesktopNotifier.h"
#include "platform/FolderContainment.h"
#include "platform/SingleInstance.h"
#include "platform/StopSignals.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace trevane {

namespace {

RunnerSettings runnerSettings(const ProgramFiles& files, const Settings& settings, bool verify) {
    RunnerSettings copy;
    copy.files = files;
    copy.maxLogLines = settings.iMaxLog;
    copy.captureOutput = settings.bAddLog;
    copy.dateTimeFormat = settings.asDateTimeFormat;
    copy.verify = verify || settings.bVerify;
    copy.runsFolder = runsFolder(files.folder);
    copy.historyDays = settings.iHistoryDays;
    return copy;
}

// A job file named with a folder runs by its bare name when that folder is the job-file folder;
// any other goes as a full path, which the runner skips as lying outside, naming it.
std::string queueName(const std::string& argument, const std::string& jobFileFolder) {
    const PathConventions conv = PathConventions::native();
    const std::string name = conv.fileName(argument);
    if (name == argument)
        return argument;
    const std::string folder = argument.substr(0, argument.size() - name.size());
    if (folderHolds(folder, jobFileFolder) && folderHolds(jobFileFolder, folder))
        return name;
    std::error_code failed;
    const std::filesystem::path full = std::filesystem::absolute(argument, failed);
    return failed ? argument : full.lexically_normal().string();
}

// The registered list as the window's run command takes it: blank lines around it are no jobs.
// A list that cannot be read (no right to it, a folder or a FIFO in its place) runs nothing,
// nor does one that another user may write when running as root; refusal says why. Only a
// missing list is an empty one.
std::vector<std::string> registeredJobs(const ProgramFiles& files, std::string& refusal) {
    RegisteredJobList::Loaded loaded = RegisteredJobList::read(files.registeredListPath());
    if (loaded.status == ReadStatus::Refused)
        refusal = loaded.error;
    else if (loaded.status == ReadStatus::Failed)
        refusal = "登録ジョブの一覧を読み込めません (" + loaded.error + ")";
    std::vector<std::string> names = std::move(loaded.names);
    while (!names.empty() && names.back().empty())
        names.pop_back();
    while (!names.empty() && names.front().empty())
        names.erase(names.begin());
    return names;
}

// A restore takes no lock: it reads a backup and writes only into its target, which a running
// window does not touch.
int restoreFromCommandLine(const CommandLineRequest& request) {
    const RestoreResult result = Restorer::restore(
        {request.restoreFrom, request.restoreTo, request.restoreNames, request.overwrite});
    for (const std::string& problem : result.problems)
        std::fprintf(stderr, "trevane: %s\n", problem.c_str());
    if (result.status != RestoreResult::Status::Ran)
        return result.exitCode();
    std::printf("%s\n", result.summary().c_str());
    if (result.keptNewer + result.keptReadOnly > 0)
        std::fputs("trevane: 復元先のほうが新しいか読み取り専用のファイルはそのままにしました "
                   "(置き換えるには --overwrite を付けます)\n",
                   stderr);
    return result.exitCode();
}

} // namespace

int runFromCommandLine(const CommandLineRequest& request, std::string_view version,
                       DesktopNotifier* notifier) {
    using Mode = CommandLineRequest::Mode;
    switch (request.mode) {
    case Mode::Window:
        return 2;
    case Mode::Help:
        std::fputs(CommandLineRequest::helpText().c_str(), stdout);
        return 0;
    case Mode::Version:
        std::printf("trevane %.*s\n", static_cast<int>(version.size()), version.data());
        return 0;
    case Mode::Wrong:
        // The usage line, and where the rest is told.
        std::fprintf(stderr, "trevane: %s\n%s\n詳しくは trevane --help で表示します。\n",
                     request.error.c_str(),
                     CommandLineRequest::helpText()
                         .substr(0, CommandLineRequest::helpText().find("\n\n"))
                         .c_str());
        return 2;
    case Mode::Restore:
        return restoreFromCommandLine(request);
    case Mode::RunFiles:
    case Mode::RunRegistered:
        break;
    }

    const ProgramFiles files{programFolder()};
    SingleInstance instance("Trevan", files.folder);
    if (!instance.isFirst()) {
        std::fputs("trevane: Trevane は既に起動しています。何も実行しませんでした。\n", stderr);
        return 3;
    }
    IniFile ini;
    // Unreadable settings read as none: every key takes its default, as in the window.
    (void)ini.load(files.settingsPath());
    const Settings config = loadSettings(ini);
    const RunnerSettings settings = runnerSettings(files, config, request.verify);
    std::vector<std::string> queue;
    if (request.mode == Mode::RunRegistered) {
        std::string refusal;
        queue = registeredJobs(files, refusal);
        if (!refusal.empty()) {
            std::fprintf(stderr, "trevane: %s。何も実行しませんでした。\n", refusal.c_str());
            return 2;
        }
    } else {
        for (const std::string& argument : request.jobFiles)
            queue.push_back(queueName(argument, files.jobFileFolder()));
    }

    StopSignals stop;
    HeadlessHost host(settings, std::move(queue), [] { return StopSignals::received() != 0; });
    if (notifier && config.bNotifyJobEnd)
        host.onJobEnded = [notifier](const std::string& name, int failed) {
            if (failed > 0)
                (void)notifier->notify(StepResult::FailureNoticeSummary,
                                       StepResult::endNotice(name, failed));
        };
    NativeRunnerServices native;
    JobRunner(host, native.services(FatalReporter::standard())).Execute();

    const std::string log = files.logPath();
    if (const int signal = StopSignals::received()) {
        std::fprintf(
            stderr,
            "trevane: 中止の合図 (シグナル %d) を受けたので実行を止めました (%s を見てください)\n",
            signal, log.c_str());
        return 128 + signal;
    }
    if (host.skippedJobs() > 0)
        std::fprintf(stderr, "trevane: 実行できなかったジョブファイル: %d 件 (%s を見てください)\n",
                     host.skippedJobs(), log.c_str());
    for (const auto& [path, error] : host.unwrittenLogs())
        std::fprintf(stderr, "trevane: ログファイル %s を書けませんでした。(%s)\n", path.c_str(),
                     error.c_str());
    if (host.failedSteps() > 0)
        std::fprintf(stderr, "trevane: 失敗した手順: %d 件 (%s を見てください)\n",
                     host.failedSteps(), log.c_str());
    return host.exitCode();
}

bool jobFileToOpen(const std::string& given, std::string& path, std::string& error) {
    std::error_code failed;
    const std::string absolute =
        std::filesystem::absolute(given, failed).lexically_normal().string();
    struct stat st;
    if (failed || stat(absolute.c_str(), &st) != 0) {
        error = "ジョブファイルが見つかりません: " + given;
        return false;
    }
    // ".cpl" in any case of letters, as the job-file list finds them.
    std::string extension = absolute.substr(absolute.size() - std::min<size_t>(absolute.size(), 4));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (!S_ISREG(st.st_mode) || extension != ".cpl") {
        error = "ジョブファイル (.cpl) ではありません: " + given;
        return false;
    }
    path = absolute;
    return true;
}

} // namespace trevane
