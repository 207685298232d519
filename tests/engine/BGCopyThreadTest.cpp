#include "support/StandIns.h"

#include "engine/BGCopyThread.h"
#include "engine/UnlhaLibrary.h"
#include "jobs/JobFile.h"
#include "platform/ProcessSpawner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace trevane;
using namespace trevane::test;

namespace {

// Notes every call that arrives off the main thread.
class MainThreadHost : public RecordingHost {
public:
    int offMainThread = 0;
    void note() {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            ++offMainThread;
    }
    RunnerSettings copySettings() override {
        note();
        return RecordingHost::copySettings();
    }
    bool checkRunAllowed() override {
        note();
        return RecordingHost::checkRunAllowed();
    }
    void addLogLine(const std::string& message, int maxLogLines) override {
        note();
        RecordingHost::addLogLine(message, maxLogLines);
    }
    int batches = 0;
    void addLogLines(const std::vector<LogLines::Entry>& entries) override {
        note();
        ++batches;
        RecordingHost::addLogLines(entries);
    }
};

// A program folder dir/prog with its CPL folder, the folders src and dst, and an xcopy
// stand-in in dir/tools that runs script.
std::string makeProgramFolder(const TempDir& dir, const std::string& script) {
    const std::string prog = dir / "prog";
    std::filesystem::create_directories(prog + "/CPL");
    std::filesystem::create_directories(dir / "src");
    std::filesystem::create_directories(dir / "dst");
    std::filesystem::create_directories(dir / "tools");
    writeFile(dir / "tools/xcopy", "#!/bin/sh\n" + script + "\n");
    ::chmod((dir / "tools/xcopy").c_str(), 0755);
    return prog;
}

// Runs a thread over the host's queue until it has deleted itself.
void runToTheEnd(RunnerHost& host, const RunnerServices& services) {
    auto* thread = new TBGCopyThread(host, services);
    QEventLoop loop;
    QObject::connect(thread, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(BGCopyThreadTest, RunsTheQueueReportingOnTheMainThreadAndFreesItself) {
    TempDir dir;
    const std::string prog = makeProgramFolder(dir, "echo copied");
    ASSERT_TRUE(writeJobFile(prog + "/CPL/a.cpl", {dir / "src," + dir / "dst"}).ok);
    ASSERT_TRUE(writeJobFile(prog + "/CPL/b.cpl", {dir / "src," + dir / "dst"}).ok);

    MainThreadHost host;
    host.settings.files.folder = prog;
    host.queue = {"a.cpl", "b.cpl"};
    // An error thrown by the main thread's side reaches the runner, which logs it and goes on.
    host.onLog = [&](const std::string& message) {
        if (message == "Job File: " + prog + "/CPL/a.cpl")
            throw std::runtime_error("boom");
    };
    FixedClock clock;
    RecordingLauncher launcher;
    RecordingFatal fatal;
    auto spawner = ProcessSpawner::createNative(dir / "tools");
    UnlhaLibrary archiver({FAKE_UNLHA});

    auto* thread = new TBGCopyThread(host, RunnerServices{*spawner, archiver, launcher, clock,
                                                          fatal, DateTimeLocale::english(),
                                                          PathConventions::native()});
    bool terminated = false;
    bool destroyedAfterTerminate = false;
    QEventLoop loop;
    QObject::connect(thread, &TBGCopyThread::OnTerminate, [&] {
        terminated = true;
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    });
    QObject::connect(thread, &QObject::destroyed, &loop, [&] {
        destroyedAfterTerminate = terminated;
        loop.quit();
    });
    loop.exec();

    EXPECT_TRUE(destroyedAfterTerminate);
    EXPECT_EQ(host.offMainThread, 0);
    EXPECT_TRUE(host.queue.empty());
    const auto log = host.logCalls();
    EXPECT_NE(std::find(log.begin(), log.end(), "ジョブの実行中にエラーが発生しました。(boom)"),
              log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "copied\n"), log.end()) << "job b ran";
}

TEST(BGCopyThreadTest, PostedLogLinesComeInBatchesAndBeforeEveryWaitingCall) {
    TempDir dir;
    // A listing that fills every chunk of the capture, in numbered lines.
    const std::string prog = makeProgramFolder(dir, "seq -f 'copied file %06g' 1 50000");
    ASSERT_TRUE(writeJobFile(prog + "/CPL/a.cpl", {dir / "src," + dir / "dst,,,/S"}).ok);

    FixedClock clock;
    RecordingLauncher launcher;
    RecordingFatal fatal;
    auto spawner = ProcessSpawner::createNative(dir / "tools");
    UnlhaLibrary archiver({FAKE_UNLHA});
    const RunnerServices services{*spawner,
                                  archiver,
                                  launcher,
                                  clock,
                                  fatal,
                                  DateTimeLocale::english(),
                                  PathConventions::native()};

    // The same job run directly, every call waiting, is the yardstick.
    RecordingHost direct;
    direct.settings.files.folder = prog;
    direct.queue = {"a.cpl"};
    JobRunner(direct, services).Execute();
    const std::string directLogFile = readFile(prog + "/Trevane.log");

    MainThreadHost host;
    host.settings.files.folder = prog;
    host.queue = {"a.cpl"};
    runToTheEnd(host, services);

    EXPECT_EQ(host.calls, direct.calls) << "every line before the next waiting call";
    EXPECT_EQ(readFile(prog + "/Trevane.log"), directLogFile);
    EXPECT_EQ(host.logLines().size(), 500u);
    EXPECT_GE(host.logCalls().size(), 151u);
    EXPECT_GT(host.batches, 0);
    EXPECT_LT(host.batches, static_cast<int>(host.logCalls().size()));
    EXPECT_EQ(host.offMainThread, 0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
