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
#include <thread>
#include <vector>

extern char** environ;

namespace trevane {

namespace {

class PosixDetachedLauncher : public DetachedLauncher {
public:
    explicit PosixDetachedLauncher(std::string executableFolder)
        : m_executableFolder(std::move(executableFolder)) {}

    bool start(const std::string& commandLine, std::string* error) override {
        std::vector<std::string> args;
        if (!resolve(commandLine, args, error))
            return false;
        // A short-lived shell puts the program in the background and ends at once; reaping the
        // shell here leaves the program to the init process, so no zombie stays behind however
        // many programs a job starts.
        args.insert(args.begin(), {"sh", "-c", "\"$0\" \"$@\" &"});
        pid_t pid = -1;
        if (!spawn("/bin/sh", args, pid, error))
            return false;
        (void)waitFor(pid);
        return true;
    }

    bool startWatched(const std::string& commandLine, std::string* error, Ended ended) override {
        std::vector<std::string> args;
        pid_t pid = -1;
        if (!resolve(commandLine, args, error) || !spawn(args[0], args, pid, error))
            return false;
        // The program is this process's child until it ends: a thread of its own waits for it,
        // so it leaves no zombie either.
        std::thread([pid, ended = std::move(ended)] {
            const int status = waitFor(pid);
            if (ended)
                ended(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        }).detach();
        return true;
    }

private:
    static bool fail(std::string* error, std::string reason) {
        if (error)
            *error = std::move(reason);
        return false;
    }

    // The words of commandLine with the program's full path first.
    bool resolve(const std::string& commandLine, std::vector<std::string>& args,
                 std::string* error) const {
        const CommandWords split = CommandWords::split(commandLine);
        if (split.words.empty())
            return fail(error, "empty command line");
        if (split.unclosedQuote)
            return fail(error, "unclosed quote");
        const char* path = std::getenv("PATH");
        const std::optional<std::string> program = findProgram(
            split.words[0], m_executableFolder, path ? path : "/usr/local/bin:/usr/bin:/bin");
        if (!program)
            return fail(error, split.words[0] + ": not found");
        args = split.words;
        args[0] = *program;
        return true;
    }

    // Starts program with args in a session of its own, with /dev/null for its standard
    // descriptors.
    static bool spawn(const std::string& program, const std::vector<std::string>& args, pid_t& pid,
                      std::string* error) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ChildSpawn child;
        child.openOnChild(0, "/dev/null", O_RDONLY);
        child.openOnChild(1, "/dev/null", O_WRONLY);
        child.openOnChild(2, "/dev/null", O_WRONLY);
        if (const int rc = child.spawn(pid, program.c_str(), argv.data(), environ); rc != 0)
            return fail(error, std::strerror(rc));
        return true;
    }

    static int waitFor(pid_t pid) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return status;
    }

    std::string m_executableFolder;
};

} // namespace

std::unique_ptr<DetachedLauncher> DetachedLauncher::createNative(std::string executableFolder) {
    return std::make_unique<PosixDetachedLauncher>(std::move(executableFolder));
}

} // namespace trevane
