#include "platform/DetachedLauncher.h"

#include "CommandWords.h"

#include "platform/ProgramLookup.h"
#include "platform/SpawnAttributes_posix.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <optional>
#include <vector>

extern char** environ;

namespace trevane {

namespace {

class PosixDetachedLauncher : public DetachedLauncher {
public:
    explicit PosixDetachedLauncher(std::string executableFolder)
        : m_executableFolder(std::move(executableFolder)) {}

    bool start(const std::string& commandLine, std::string* error) override {
        const CommandWords split = CommandWords::split(commandLine);
        const std::vector<std::string>& args = split.words;
        if (args.empty())
            return fail(error, "empty command line");
        if (split.unclosedQuote)
            return fail(error, "unclosed quote");
        const char* path = std::getenv("PATH");
        const std::optional<std::string> program =
            findProgram(args[0], m_executableFolder, path ? path : "/usr/local/bin:/usr/bin:/bin");
        if (!program)
            return fail(error, args[0] + ": not found");

        // A short-lived shell puts the program in the background and ends at once; reaping the
        // shell here leaves the program to the init process, so no zombie stays behind however
        // many programs a job starts.
        std::vector<std::string> shellArgs = {"sh", "-c", "\"$0\" \"$@\" &", *program};
        shellArgs.insert(shellArgs.end(), args.begin() + 1, args.end());
        std::vector<char*> argv;
        for (const std::string& a : shellArgs)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        ChildSpawn child;
        child.openOnChild(0, "/dev/null", O_RDONLY);
        child.openOnChild(1, "/dev/null", O_WRONLY);
        child.openOnChild(2, "/dev/null", O_WRONLY);
        pid_t pid = -1;
        const int rc = child.spawn(pid, "/bin/sh", argv.data(), environ);
        if (rc != 0)
            return fail(error, std::strerror(rc));
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return true;
    }

private:
    static bool fail(std::string* error, std::string reason) {
        if (error)
            *error = std::move(reason);
        return false;
    }

    std::string m_executableFolder;
};

} // namespace

std::unique_ptr<DetachedLauncher> DetachedLauncher::createNative(std::string executableFolder) {
    return std::make_unique<PosixDetachedLauncher>(std::move(executableFolder));
}

} // namespace trevane
