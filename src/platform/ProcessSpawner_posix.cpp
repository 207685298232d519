#include "platform/ProcessSpawner.h"

#include "CommandWords.h"
#include "UniqueFd.h"

#include "platform/ProgramLookup.h"
#include "platform/SpawnAttributes_posix.h"
#include "platform/StopSignals.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <vector>

extern char** environ;

namespace trevane {

namespace {


// Drains the pipe into the result, keeping at most keepOutput bytes and discarding the rest,
// so that a child writing far more than is logged is never blocked by a full pipe.
class OutputDrain {
public:
    OutputDrain(int fd, std::size_t keepOutput, ProcessSpawner::Result& result,
                const ProcessSpawner::OutputSink& sink)
        : m_fd(fd), m_keep(keepOutput), m_result(result), m_sink(sink) {}

    enum class State { More, End, Failed };

    // Reads whatever the pipe holds now, without waiting for more, but no more than limit bytes
    // (a program the child left behind may go on writing for ever).
    State readAvailable(std::size_t limit = SIZE_MAX) {
        char buffer[65536];
        std::size_t total = 0;
        while (total < limit) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                total += static_cast<std::size_t>(n);
                const std::size_t room = m_keep - std::min(m_keep, m_result.output.size());
                m_result.output.append(buffer, std::min(room, static_cast<std::size_t>(n)));
                if (m_sink)
                    m_sink(std::string_view(buffer, static_cast<std::size_t>(n)));
                continue;
            }
            if (n == 0)
                return State::End;
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return State::More;
            return State::Failed;
        }
        return State::More;
    }

private:
    int m_fd;
    std::size_t m_keep;
    ProcessSpawner::Result& m_result;
    const ProcessSpawner::OutputSink& m_sink;
};

int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#else
    (void)pid;
#endif
    return -1;
}

int exitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PosixProcessSpawner : public ProcessSpawner {
public:
    explicit PosixProcessSpawner(std::string executableFolder)
        : m_executableFolder(std::move(executableFolder)) {}

    Result run(const std::string& commandLine, std::size_t keepOutput,
               const std::function<void()>& onStarted, const OutputSink& onOutput) override {
        Result result;
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            result.failedCheck = FailedCheck::PipeCreation;
            return result;
        }
        UniqueFd readEnd(fds[0]);
        UniqueFd writeEnd(fds[1]);

        const CommandWords split = CommandWords::split(commandLine);
        const std::vector<std::string>& args = split.words;
        if (args.empty() || split.unclosedQuote) {
            result.startError = args.empty() ? "empty command line" : "unclosed quote";
            return result;
        }
        const char* path = std::getenv("PATH");
        const std::optional<std::string> program =
            findProgram(args[0], m_executableFolder, path ? path : "/usr/local/bin:/usr/bin:/bin");
        if (!program) {
            result.start = StartStatus::NotFound;
            result.startError = args[0] + ": not found";
            return result;
        }

        pid_t pid = -1;
        const int spawnError = spawn(*program, args, writeEnd.get(), pid);
        // Only the child may hold the write end from here on, or the end of its output would
        // never show.
        writeEnd.reset();
        if (spawnError != 0) {
            result.start = spawnError == ENOENT ? StartStatus::NotFound : StartStatus::Failed;
            result.startError = std::strerror(spawnError);
            return result;
        }
        result.start = StartStatus::Started;
        // A stop by signal (a run without a window) reaches the child while it runs.
        struct Step {
            explicit Step(pid_t group) { StopSignals::stepStarted(group); }
            ~Step() { StopSignals::stepEnded(); }
        } step(pid);
        if (onStarted)
            onStarted();

        drainAndWait(pid, readEnd.get(), keepOutput, onOutput, result);
        return result;
    }

private:
    [[nodiscard]] static int spawn(const std::string& program, const std::vector<std::string>& args,
                                   int outFd, pid_t& pid) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        ChildSpawn child;
        child.openOnChild(0, "/dev/null", O_RDONLY);
        child.dupToChild(outFd, 1);
        child.dupToChild(outFd, 2);
        return child.spawn(pid, program.c_str(), argv.data(), environ);
    }

    static void drainAndWait(pid_t pid, int readFd, std::size_t keepOutput,
                             const OutputSink& onOutput, Result& result) {
        ::fcntl(readFd, F_SETFL, ::fcntl(readFd, F_GETFL) | O_NONBLOCK);
        OutputDrain drain(readFd, keepOutput, result, onOutput);
        UniqueFd pidFd(openPidFd(pid));

        bool outputEnded = false;
        bool reaped = false;
        int status = 0;
        while (!outputEnded && !reaped) {
            pollfd fds[2] = {{readFd, POLLIN, 0}, {pidFd.get(), POLLIN, 0}};
            // Without a process descriptor the child's end is found by looking every 20 ms.
            const int n = ::poll(fds, pidFd.get() >= 0 ? 2 : 1, pidFd.get() >= 0 ? -1 : 20);
            if (n < 0 && errno != EINTR) {
                result.failedCheck = FailedCheck::Read;
                break;
            }
            if (n > 0 && fds[0].revents != 0) {
                const OutputDrain::State state = drain.readAvailable();
                if (state == OutputDrain::State::Failed) {
                    result.failedCheck = FailedCheck::Read;
                    break;
                }
                outputEnded = state == OutputDrain::State::End;
            }
            const bool childEnded = pidFd.get() >= 0 ? (n > 0 && fds[1].revents != 0) : false;
            if (childEnded || pidFd.get() < 0) {
                const pid_t w = ::waitpid(pid, &status, WNOHANG);
                if (w == pid)
                    reaped = true;
            }
        }
        if (reaped && !outputEnded && result.failedCheck == FailedCheck::None) {
            // The child has ended: everything it wrote is in the pipe now. Programs it left
            // running may keep the pipe open, so read only what is there.
            const int pipeSize = ::fcntl(readFd, F_GETPIPE_SZ);
            const std::size_t held = pipeSize > 0 ? static_cast<std::size_t>(pipeSize) : 1 << 20;
            if (drain.readAvailable(held) == OutputDrain::State::Failed)
                result.failedCheck = FailedCheck::Read;
        }
        if (!reaped) {
            pid_t w;
            do {
                w = ::waitpid(pid, &status, 0);
            } while (w < 0 && errno == EINTR);
            if (w != pid) {
                result.waitFailed = true;
                return;
            }
        }
        result.exitCode = exitCodeOf(status);
    }

    std::string m_executableFolder;
};

} // namespace

std::unique_ptr<ProcessSpawner> ProcessSpawner::createNative(std::string executableFolder) {
    return std::make_unique<PosixProcessSpawner>(std::move(executableFolder));
}

} // namespace trevane
