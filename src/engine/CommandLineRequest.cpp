#include "engine/CommandLineRequest.h"

#include <algorithm>

namespace trevane {

namespace {

constexpr const char* runOption = "--run";
constexpr const char* runRegisteredOption = "--run-registered";
constexpr const char* helpOption = "--help";
constexpr const char* versionOption = "--version";

bool isOwnOption(const std::string& arg) {
    return arg == runOption || arg == runRegisteredOption || arg == helpOption ||
           arg == versionOption;
}

CommandLineRequest wrong(std::string why) {
    CommandLineRequest request;
    request.mode = CommandLineRequest::Mode::Wrong;
    request.error = std::move(why);
    return request;
}

} // namespace

CommandLineRequest CommandLineRequest::parse(const std::vector<std::string>& args) {
    CommandLineRequest request;
    const auto has = [&args](const char* option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (std::none_of(args.begin(), args.end(), isOwnOption))
        return request;
    if (has(helpOption)) {
        request.mode = Mode::Help;
        return request;
    }
    if (has(versionOption)) {
        request.mode = Mode::Version;
        return request;
    }
    // A run: the first argument names it, and only job files may follow --run.
    if (args.front() == runRegisteredOption) {
        if (args.size() > 1)
            return wrong("--run-registered takes no further arguments: " + args[1]);
        request.mode = Mode::RunRegistered;
        return request;
    }
    if (args.front() != runOption)
        return wrong("unexpected argument before the run option: " + args.front());
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i].rfind("--", 0) == 0)
            return wrong("unknown or misplaced option: " + args[i]);
        request.jobFiles.push_back(args[i]);
    }
    if (request.jobFiles.empty())
        return wrong("--run needs at least one job file");
    request.mode = Mode::RunFiles;
    return request;
}

std::string CommandLineRequest::helpText() {
    return "Usage: trevane [--run JOBFILE... | --run-registered | --help | --version]\n"
           "\n"
           "Without options Trevane opens its window.\n"
           "\n"
           "  --run JOBFILE...   run the named job files without a window, then exit; a bare\n"
           "                     name (daily.cpl) is looked up in the job-file folder CPL\n"
           "  --run-registered   run the registered jobs (BGCopyList.txt) without a window,\n"
           "                     then exit\n"
           "  --help             show this text\n"
           "  --version          show the version\n"
           "\n"
           "Only job files in the job-file folder run. The jobs write the same log file\n"
           "(Trevane.log) with the same lines as in the window. No display is needed.\n"
           "\n"
           "Exit codes: 0 every step worked; 1 a step failed; 2 a job file was missing or\n"
           "could not be run, or the command line is wrong; 3 Trevane is already running\n"
           "(nothing was done).\n";
}

} // namespace trevane
