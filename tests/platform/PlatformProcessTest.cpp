#include "support/TempDir.h"

#include "CommandWords.h"
#include "platform/DetachedLauncher.h"
#include "platform/DynamicLibrary.h"
#include "platform/ProcessSpawner.h"
#include "platform/ProgramLookup.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace trevane;
using trevane::test::TempDir;

namespace {

const std::string child = ENGINE_CHILD;
const std::string fakeUnlha = FAKE_UNLHA;

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> args;
    bool unclosed = false;
};

// One splitter for the runner and the archiver: line ends separate words, and a quote left
// open makes the line unusable for both.
TEST(CommandLineTest, SplitsLikeTheWindowsRuntime) {
    const SplitCase cases[] = {
        {"blanks", "  xcopy  a\tb ", {"xcopy", "a", "b"}},
        {"quoted blank",
         R"(xcopy "C:\My Data\*.doc" "D:\Bak" /Y/D)",
         {"xcopy", R"(C:\My Data\*.doc)", R"(D:\Bak)", "/Y/D"}},
        {"backslash before quote is plain",
         R"(u "D:\Bak\x.lzh" "C:\Data\"  -d1)",
         {"u", R"(D:\Bak\x.lzh)", R"(C:\Data\)", "-d1"}},
        {"doubled quote inside quotes", R"(echo "say ""hi""")", {"echo", R"(say "hi")"}},
        {"empty quoted argument", R"(a "" b)", {"a", "", "b"}},
        {"quotes glue to text", R"(a"b c"d)", {"ab cd"}},
        {"unclosed quote is told", R"(a "b c)", {"a", "b c"}, true},
        {"line ends separate", "u a.lzh\r\nsrc/\n", {"u", "a.lzh", "src/"}},
        {"japanese bytes", "deltree /Y \"/tmp/日本 語\"", {"deltree", "/Y", "/tmp/日本 語"}},
        {"empty", "", {}},
        {"only blanks", "   ", {}},
    };
    for (const SplitCase& c : cases) {
        const CommandWords split = CommandWords::split(c.line);
        EXPECT_EQ(split.words, c.args) << c.name;
        EXPECT_EQ(split.unclosedQuote, c.unclosed) << c.name;
    }
}

TEST(ProgramLookupTest, ExecutableFolderFirstThenPathAndExeRetry) {
    TempDir dir;
    const std::string exe = dir / "exe";
    const std::string p1 = dir / "p1";
    const std::string p2 = dir / "p2";
    for (const std::string& d : {exe, p1, p2})
        ::mkdir(d.c_str(), 0755);
    const auto makeProgram = [](const std::string& path, mode_t mode) {
        test::writeFile(path, "#!/bin/sh\n");
        ::chmod(path.c_str(), mode);
    };
    makeProgram(exe + "/tool", 0755);
    makeProgram(p1 + "/tool", 0755);
    makeProgram(p1 + "/other", 0755);
    makeProgram(p1 + "/plain", 0644);
    makeProgram(p2 + "/plain", 0755);
    ::mkdir((p1 + "/dir").c_str(), 0755);
    makeProgram(p2 + "/dir", 0755);
    const std::string path = p1 + ":" + p2;

    EXPECT_EQ(findProgram("tool", exe, path), exe + "/tool");
    EXPECT_EQ(findProgram("other", exe, path), p1 + "/other");
    EXPECT_EQ(findProgram("plain", exe, path), p2 + "/plain") << "not executable is skipped";
    EXPECT_EQ(findProgram("dir", exe, path), p2 + "/dir") << "a folder is no program";
    EXPECT_EQ(findProgram("tool.exe", exe, path), exe + "/tool");
    EXPECT_EQ(findProgram("other.EXE", exe, path), p1 + "/other");
    EXPECT_EQ(findProgram(p1 + "/other", exe, ""), p1 + "/other");
    EXPECT_EQ(findProgram("missing", exe, path), std::nullopt);
    EXPECT_EQ(findProgram("missing.exe", exe, path), std::nullopt);
    EXPECT_EQ(findProgram("", exe, path), std::nullopt);
    EXPECT_EQ(findProgram("other", exe, ""), std::nullopt);
}

ProcessSpawner::Result runChild(const std::string& args, std::size_t keep = 1 << 20,
                                bool* started = nullptr) {
    auto spawner = ProcessSpawner::createNative("");
    return spawner->run(child + " " + args, keep, [started] {
        if (started)
            *started = true;
    });
}

TEST(ProcessSpawnerTest, OutputSizesArriveWhole) {
    for (long long size : {0LL, 1LL, 3999LL, 4000LL, 65536LL, 700000LL}) {
        const auto r = runChild("out " + std::to_string(size));
        ASSERT_EQ(r.start, ProcessSpawner::StartStatus::Started) << size;
        EXPECT_EQ(r.output.size(), static_cast<std::size_t>(size));
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(r.waitFailed);
        EXPECT_EQ(r.failedCheck, ProcessSpawner::FailedCheck::None);
        if (size > 0) {
            EXPECT_EQ(r.output.back(), static_cast<char>('A' + (size - 1) % 26));
        }
    }
}

TEST(ProcessSpawnerTest, HundredMegabytesNeverStallAndOnlyTheKeptPartIsHeld) {
    const auto kept = runChild("out 104857600", 604000);
    EXPECT_EQ(kept.exitCode, 0);
    EXPECT_EQ(kept.output.size(), 604000u);
    const auto discarded = runChild("out 104857600", 0);
    EXPECT_EQ(discarded.exitCode, 0);
    EXPECT_EQ(discarded.output, "");
}

TEST(ProcessSpawnerTest, ChildEnvironment) {
    EXPECT_EQ(runChild("mixed").output, "out1\nerr1\nout2\n") << "one pipe, write order";
    EXPECT_EQ(runChild("zero").output, std::string("abc\0def", 7));
    EXPECT_EQ(runChild("stdin").output, "0") << "standard input is empty";
    EXPECT_EQ(runChild("session").output, "leader");
    EXPECT_EQ(runChild("exit 5").exitCode, 5);
}

TEST(ProcessSpawnerTest, NotFoundAndEmptyCommandsDoNotStart) {
    auto spawner = ProcessSpawner::createNative("");
    bool started = false;
    const auto missing =
        spawner->run("no-such-program-here /Y", 100, [&started] { started = true; });
    EXPECT_EQ(missing.start, ProcessSpawner::StartStatus::NotFound);
    const auto empty = spawner->run("   ", 100, [&started] { started = true; });
    EXPECT_EQ(empty.start, ProcessSpawner::StartStatus::Failed);
    const auto open = spawner->run(child + " exit \"0", 100, [&started] { started = true; });
    EXPECT_EQ(open.startError, "unclosed quote");
    EXPECT_FALSE(started);
}

TEST(ProcessSpawnerTest, StartIsReportedWhileTheChildRuns) {
    TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto spawner = ProcessSpawner::createNative("");
    // The child waits for the fifo's writer; only onStarted opens it, so the call can only end
    // if onStarted runs before the child has ended.
    const auto r = spawner->run(child + " wait " + fifo, 100, [&fifo] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        ::close(fd);
    });
    EXPECT_EQ(r.output, "done");
}

TEST(ProcessSpawnerTest, AGrandchildHoldingThePipeIsNotWaitedFor) {
    TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto r = runChild("grandchild " + fifo);
    EXPECT_EQ(r.output, "parent");
    EXPECT_EQ(r.exitCode, 0);
    // Release the grandchild.
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    ::close(fd);
}

TEST(DetachedLauncherTest, StartsWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto launcher = DetachedLauncher::createNative("");
    std::string error;
    // The program blocks until the fifo has a reader, so start() must return before it ends.
    ASSERT_TRUE(launcher->start(child + " tell " + fifo + " \"hello world\"", &error)) << error;
    EXPECT_EQ(test::readFile(fifo), "hello world");

    EXPECT_FALSE(launcher->start("no-such-program-here x", &error));
    EXPECT_NE(error.find("not found"), std::string::npos);
    EXPECT_FALSE(launcher->start("", &error));
    EXPECT_FALSE(launcher->start(child + " tell " + fifo + " \"x", &error));
    EXPECT_EQ(error, "unclosed quote");
}

TEST(DynamicLibraryTest, LoadsFindsAndReportsMissingLibraries) {
    std::string error;
    auto library = DynamicLibrary::open(fakeUnlha, &error);
    ASSERT_NE(library, nullptr) << error;
    EXPECT_NE(library->symbol("Unlha"), nullptr);
    EXPECT_EQ(library->symbol("NoSuchEntry"), nullptr);
    EXPECT_EQ(DynamicLibrary::open("/no/such/libUnlha32.so", &error), nullptr);
    EXPECT_FALSE(error.empty());
}

} // namespace
