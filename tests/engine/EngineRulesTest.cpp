#include "engine/CommandLineRequest.h"
#include "engine/FatalReporter.h"
#include "engine/JobCommands.h"
#include "engine/LogBatch.h"
#include "engine/LogLines.h"
#include "engine/OutputChunks.h"
#include "engine/RunnerHost.h"
#include "engine/StepResult.h"

#include "support/StandIns.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

using namespace trevane;

namespace {

std::string pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>('A' + i % 26);
    return s;
}

TEST(StepResultTest, OnlyFailedStepsAreTold) {
    using K = StepResult::Kind;
    using O = StepResult::Outcome;
    struct Case {
        StepResult result;
        bool ok;
        std::string line;
    };
    const Case cases[] = {
        {{K::Program, "xcopy", O::Done, 0}, true, ""},
        {{K::Program, "xcopy", O::Failed, 4}, false, "xcopy が失敗しました。(終了コード 4)"},
        {{K::Program, "deltree", O::Failed, -1}, false, "deltree が失敗しました。(終了コード -1)"},
        {{K::Program, "xcopy", O::NotStarted, 0}, false, "xcopy を起動できませんでした。"},
        {{K::Command, "gimp", O::NotStarted, 0}, false, "gimp を起動できませんでした。"},
        {{K::Archiver, "Unlha", O::Failed, 9}, false, "Unlha が失敗しました。(戻り値 9)"},
        {{K::Archiver, "Unlha", O::NotStarted, 0}, false, "Unlha を呼び出せませんでした。"},
        {{K::Program, "deltree", O::Refused, 0}, false, ""}, // the runner's own line says why
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result.ok(), c.ok) << c.line;
        EXPECT_EQ(c.result.failureLine(), c.line);
    }
    EXPECT_EQ(StepResult::summaryLine(3), "失敗した手順: 3 件");
}

TEST(CommandLineRequestTest, OwnOptionsDecideWindowOrRun) {
    using M = CommandLineRequest::Mode;
    struct Case {
        std::vector<std::string> args;
        M mode;
        std::vector<std::string> jobFiles;
        bool verify = false;
    };
    const Case cases[] = {
        {{}, M::Window, {}},
        {{"-platform", "offscreen"}, M::Window, {}},            // the toolkit's own
        {{"--style", "fusion", "x.cpl"}, M::Window, {"x.cpl"}}, // a job file to open
        {{"-reverse", "-style=fusion", "x.cpl"}, M::Window, {"x.cpl"}},
        {{"x.cpl", "y.cpl"}, M::Wrong, {}},
        {{"--run", "a.cpl", "/x/b c.cpl"}, M::RunFiles, {"a.cpl", "/x/b c.cpl"}},
        {{"--run-registered"}, M::RunRegistered, {}},
        {{"--run", "a.cpl", "--verify"}, M::RunFiles, {"a.cpl"}, true},
        {{"--run-registered", "--verify"}, M::RunRegistered, {}, true},
        {{"--verify", "a.cpl"}, M::Wrong, {}},
        {{"--run", "a.cpl", "--help"}, M::Help, {}},
        {{"--version", "--run"}, M::Version, {}},
        {{"--run"}, M::Wrong, {}},
        {{"--run", "a.cpl", "--run-registered"}, M::Wrong, {}},
        {{"--run", "a.cpl", "--bogus"}, M::Wrong, {}},
        {{"--run-registered", "a.cpl"}, M::Wrong, {}},
        {{"a.cpl", "--run"}, M::Wrong, {}},
        {{"-h"}, M::Wrong, {}},
        {{"-style=fusion", "--bogus"}, M::Wrong, {}},
    };
    for (const Case& c : cases) {
        const CommandLineRequest r = CommandLineRequest::parse(c.args);
        const std::string what = c.args.empty() ? "(none)" : c.args.front();
        EXPECT_EQ(r.mode, c.mode) << what;
        const std::vector<std::string> files =
            r.openFile.empty() ? r.jobFiles : std::vector<std::string>{r.openFile};
        EXPECT_EQ(files, c.jobFiles) << what;
        EXPECT_EQ(r.verify, c.verify) << what;
        EXPECT_EQ(r.error.empty(), c.mode != M::Wrong) << what;
    }
}

TEST(OutputChunksTest, ReadsOf4000BytesAtMost151) {
    struct Case {
        std::size_t size;
        std::vector<std::size_t> chunkSizes;
    };
    const Case cases[] = {
        {0, {}}, {3999, {3999}}, {4000, {4000}}, {4001, {4000, 1}}, {8000, {4000, 4000}},
    };
    for (const Case& c : cases) {
        const auto chunks = OutputChunks::split(pattern(c.size));
        std::vector<std::size_t> sizes;
        for (const std::string& chunk : chunks)
            sizes.push_back(chunk.size());
        EXPECT_EQ(sizes, c.chunkSizes) << c.size;
    }
    const std::string big = pattern(700000);
    const auto chunks = OutputChunks::split(big);
    ASSERT_EQ(chunks.size(), 151u);
    EXPECT_EQ(chunks[150], big.substr(150 * 4000, 4000)) << "in order, nothing skipped";
}

TEST(OutputChunksTest, EachChunkEndsAtItsFirstZeroByte) {
    std::string out = pattern(4000) + pattern(10);
    out[5] = '\0';
    out[4002] = '\0';
    const auto chunks = OutputChunks::split(out);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0], "ABCDE");
    EXPECT_EQ(chunks[1], "AB");
    EXPECT_EQ(OutputChunks::split(std::string("\0x", 2)), std::vector<std::string>{""});
}

TEST(LogLinesTest, AppendSplitsAndLimits) {
    struct Case {
        const char* name;
        std::vector<std::string> before;
        std::string message;
        int limit;
        std::vector<std::string> after;
        LogLines::Change change;
    };
    const Case cases[] = {
        {"plain", {"a"}, "b", 500, {"a", "b"}, {0, 1}},
        {"empty message is an empty line", {}, "", 500, {""}, {0, 1}},
        {"inner breaks", {}, "x\r\ny\nz\rw", 500, {"x", "y", "z", "w"}, {0, 4}},
        {"final break leaves an empty line", {}, "end\n", 500, {"end", ""}, {0, 2}},
        {"limit drops the oldest", {"1", "2", "3"}, "4", 3, {"2", "3", "4"}, {1, 1}},
        {"limit cuts into the message", {"1", "2"}, "a\nb\nc", 2, {"b", "c"}, {2, 2}},
        {"limit 0 keeps nothing", {"1"}, "a", 0, {}, {1, 0}},
        {"negative acts as 0", {"1"}, "a\nb", -5, {}, {1, 0}},
    };
    for (const Case& c : cases) {
        LogLines log;
        for (const std::string& l : c.before)
            log.append(l, 1000);
        const LogLines::Change change = log.append(c.message, c.limit);
        EXPECT_EQ(std::vector<std::string>(log.lines().begin(), log.lines().end()), c.after)
            << c.name;
        EXPECT_EQ(change, c.change) << c.name;
    }
}

TEST(LogLinesTest, ABatchEndsAsItsAppendsOneByOneAndReportsTheirSum) {
    using Entries = std::vector<LogLines::Entry>;
    struct Case {
        const char* name;
        std::vector<std::string> before;
        Entries entries;
        LogLines::Change change;
    };
    const Case cases[] = {
        {"empty batch", {"a"}, {}, {0, 0}},
        {"under the limit", {"a"}, {{"b", 5}, {"c\nd", 5}}, {0, 3}},
        {"old lines go first", {"1", "2", "3"}, {{"a", 3}, {"b", 3}}, {2, 2}},
        {"new lines dropped too", {"1", "2"}, {{"a\nb", 3}, {"c\nd", 3}}, {2, 3}},
        {"each entry its own limit", {"1", "2"}, {{"a", 1}, {"b", 5}}, {2, 2}},
        {"limit 0 keeps nothing", {"1"}, {{"a", 5}, {"b", 0}}, {1, 0}},
    };
    for (const Case& c : cases) {
        LogLines batch;
        LogLines single;
        for (const std::string& l : c.before) {
            batch.append(l, 1000);
            single.append(l, 1000);
        }
        for (const LogLines::Entry& e : c.entries)
            single.append(e.message, e.maxLines);
        EXPECT_EQ(batch.append(c.entries), c.change) << c.name;
        EXPECT_EQ(batch.lines(), single.lines()) << c.name;
    }
}

TEST(LogBatchTest, EveryEntryArrivesOnceInOrderAndOnlyTheFirstAsksForATake) {
    LogBatch batch;
    EXPECT_TRUE(batch.add("a", 5));
    EXPECT_FALSE(batch.add("b", 6));
    EXPECT_EQ(batch.take(), (std::vector<LogLines::Entry>{{"a", 5}, {"b", 6}}));
    EXPECT_TRUE(batch.take().empty());
    EXPECT_TRUE(batch.add("c", 5)) << "empty again after a take";
    batch.take();

    // One thread adds while this one takes: nothing is lost, doubled or reordered, and every
    // take is announced (an entry added to an empty batch is followed by a take).
    constexpr int count = 20000;
    std::atomic<int> announced = 0;
    std::thread producer([&] {
        for (int i = 0; i < count; ++i)
            if (batch.add(std::to_string(i), i))
                ++announced;
    });
    std::vector<int> seen;
    int takes = 0;
    while (seen.size() < count) {
        const auto entries = batch.take();
        takes += entries.empty() ? 0 : 1;
        for (const LogLines::Entry& e : entries) {
            EXPECT_EQ(e.message, std::to_string(e.maxLines));
            seen.push_back(e.maxLines);
        }
    }
    producer.join();
    std::vector<int> expected(count);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(announced.load(), takes);
}

TEST(LogLinesTest, TextSaveAndReload) {
    test::TempDir dir;
    LogLines log;
    log.append("Job End @ x\n", 500);
    log.append("日本語 \x01", 500);
    EXPECT_EQ(log.text(), "Job End @ x\r\n\r\n日本語 \x01\r\n");
    ASSERT_TRUE(log.save(dir / "Trevane.log").ok);
    EXPECT_EQ(test::readFile(dir / "Trevane.log"), log.text());

    LogLines reloaded;
    reloaded.setText(log.text());
    EXPECT_EQ(reloaded.lines(), log.lines());
    EXPECT_FALSE(log.save(dir / "missing-folder/Trevane.log").ok);
}

TEST(JobCommandsTest, PosixForms) {
    const PathConventions posix = PathConventions::native();
    const std::string dst = "/bak";
    EXPECT_EQ(JobCommands::copyCommand(JobCommands::sourceArgument(posix, "/data", "*.doc"), dst,
                                       "/Y/D/S/I/K/R"),
              R"(xcopy "/data/*.doc" "/bak" /Y/D/S/I/K/R)");
    EXPECT_EQ(JobCommands::copyCommand(JobCommands::sourceArgument(posix, "/data", ""), dst, "/Y"),
              R"(xcopy "/data" "/bak" /Y)");
    EXPECT_EQ(JobCommands::archiveCommand(posix, "/bak/data000115.lzh", "/data", "", ""),
              R"(u "/bak/data000115.lzh" "/data/"  )");
    EXPECT_EQ(JobCommands::archiveCommand(posix, "/bak/x.lzh", "/data", "*.*", "-d1"),
              R"(u "/bak/x.lzh" "/data/" "*.*" -d1)");
    EXPECT_EQ(JobCommands::clearCommand("/bak"), R"(deltree /Y "/bak")");
    EXPECT_EQ(JobCommands::folderWindowCommand("/bak/"), R"(xdg-open "/bak/")");
    EXPECT_EQ(JobCommands::sourceArgument(posix, "/", "*.*"), R"("//*.*")");
    EXPECT_EQ(JobCommands::quoted(R"(/a"b)"), R"("/a""b")") << "a quote in a POSIX name";
}

// One meaning of a path's folder and of its trailing separators, wherever they are asked for.
TEST(JobCommandsTest, PathPartsAndStamp) {
    const struct {
        const char* path;
        const char* withoutSeparators;
        const char* parent;
    } cases[] = {
        {"/", "/", "/"},           {"//", "/", "/"},       {"/data/", "/data", "/"},
        {"/data//", "/data", "/"}, {"/a/b", "/a/b", "/a"}, {"/a//b/", "/a//b", "/a"},
        {"a", "a", "."},           {"a/b", "a/b", "a"},    {"", "", "."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathConventions::withoutTrailingSeparators(c.path), c.withoutSeparators)
            << c.path;
        EXPECT_EQ(PathConventions::parentOf(c.path), c.parent) << c.path;
    }

    EXPECT_EQ(JobCommands::stampArchiveName("a%tb%t.lzh", "000115"), "a000115b%t.lzh");
    EXPECT_EQ(JobCommands::stampArchiveName("a%T.lzh", "000115"), "a%T.lzh");
}

TEST(RunnerTextsTest, TrayTipAndFatalMessage) {
    EXPECT_EQ(RunnerHost::runningTrayTip("daily.cpl"), "Trevane - daily.cpl 実行中");
    const std::string longName(300, 'x');
    EXPECT_EQ(RunnerHost::runningTrayTip(longName).size(), 255u);
    // 3-byte characters: the cut falls back to a character boundary.
    std::string japanese;
    for (int i = 0; i < 100; ++i)
        japanese += "日";
    const std::string tip = RunnerHost::runningTrayTip(japanese);
    EXPECT_LE(tip.size(), 255u);
    EXPECT_EQ((tip.size() - std::string("Trevane - ").size()) % 3, 0u);

    EXPECT_EQ(FatalReporter::message("hReadPipe", 42),
              "Assertion failed: hReadPipe, file BGCopyThread, line 42");
}

TEST(FatalReporterDeathTest, TheRealSideEndsTheProgramNamingTheCheck) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(FatalReporter::standard().fail("hWritePipe", 7), ::testing::ExitedWithCode(4),
                "Assertion failed: hWritePipe, file BGCopyThread, line 7");
}

} // namespace
