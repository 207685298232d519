#include "support/StandIns.h"

#include "engine/JobRunner.h"
#include "engine/UnlhaLibrary.h"
#include "jobs/CommaText.h"
#include "jobs/IniFile.h"
#include "jobs/JobFile.h"
#include "platform/ProcessSpawner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <tuple>

using namespace trevane;
using namespace trevane::test;

namespace {

const std::string child = ENGINE_CHILD;

class FakeSpawner : public ProcessSpawner {
public:
    Result result;
    Result run(const std::string&, std::size_t, const std::function<void()>& onStarted,
               const OutputSink&) override {
        if (result.start == StartStatus::Started)
            onStarted();
        return result;
    }
};

class JobRunnerTest : public ::testing::Test {
protected:
    JobRunnerTest() {
        std::filesystem::create_directories(cpl);
        std::filesystem::create_directories(tools);
        std::filesystem::create_directories(src);
        std::filesystem::create_directories(dst);
        writeFile(src + "/a.txt", "a");
        // Stand-ins for the system programs: xcopy shows its arguments, deltree removes.
        makeTool("xcopy", "printf 'xcopy'; for a; do printf ' [%s]' \"$a\"; done; printf '\\n'");
        makeTool("deltree", "rm -rf -- \"$2\"");
        ::setenv("TREVANE_FAKE_UNLHA_LOG", unlhaLog.c_str(), 1);
        host.settings.files.folder = prog;
    }

    void makeTool(const std::string& name, const std::string& body) {
        writeFile(tools + "/" + name, "#!/bin/sh\n" + body + "\n");
        ::chmod((tools + "/" + name).c_str(), 0755);
    }

    JobRunner runner(ArchiverLibrary* archiverOverride = nullptr,
                     ProcessSpawner* spawnerOverride = nullptr) {
        return JobRunner(host, RunnerServices{spawnerOverride ? *spawnerOverride : *spawner,
                                              archiverOverride ? *archiverOverride : archiver,
                                              launcher, clock, fatal, DateTimeLocale::english(),
                                              PathConventions::native()});
    }

    void job(const std::string& name, const std::vector<std::vector<std::string>>& rows) {
        std::vector<std::string> lines;
        for (const auto& row : rows)
            lines.push_back(joinCommaText(row));
        ASSERT_TRUE(writeJobFile(cpl + "/" + name, lines).ok);
        host.queue.push_back(name);
    }

    void options(const std::string& name, const std::map<std::string, std::string>& values) {
        IniFile ini;
        (void)ini.load(prog + "/Trevane.ini");
        for (const auto& [key, value] : values)
            ini.writeString(cpl + "/" + name, key, value);
        ASSERT_TRUE(ini.saveAs(prog + "/Trevane.ini").ok);
    }

    void run() { runner().Execute(); }

    // The log entries between "Job Start @ " and "Job End @ " of the first job.
    std::vector<std::string> rowLog() const {
        const auto all = host.logCalls();
        auto begin = std::find_if(all.begin(), all.end(), [](const std::string& s) {
            return s.rfind("Job Start @ ", 0) == 0;
        });
        auto end = std::find_if(all.begin(), all.end(),
                                [](const std::string& s) { return s.rfind("Job End @ ", 0) == 0; });
        if (begin == all.end() || end == all.end())
            return {"(no job)"};
        return {begin + 1, end};
    }

    std::string xcopyLine(const std::string& from, const std::string& to,
                          const std::string& sw = "/Y/D/S/I/K/R") {
        return "xcopy \"" + from + "\" \"" + to + "\" " + sw;
    }
    std::string xcopyOutput(const std::string& from, const std::string& to,
                            const std::string& sw = "/Y/D/S/I/K/R") {
        return "xcopy [" + from + "] [" + to + "] [" + sw + "]\n";
    }

    TempDir dir;
    std::string prog = dir / "prog";
    std::string cpl = prog + "/CPL";
    std::string tools = dir / "tools";
    std::string src = dir / "src";
    std::string dst = dir / "dst 日本";
    std::string unlhaLog = dir / "unlha.log";
    RecordingHost host;
    FixedClock clock;
    RecordingLauncher launcher;
    RecordingFatal fatal;
    std::unique_ptr<ProcessSpawner> spawner = ProcessSpawner::createNative(tools);
    UnlhaLibrary archiver{{FAKE_UNLHA}};
};

TEST_F(JobRunnerTest, CopyArchiveAndCommandRowsWithTheirExactLog) {
    job("job.cpl", {{src, dst, "*.txt", "", "", "", ""},
                    {src + "/", dst + "/", "", "arc%t.lzh", "", "", ""},
                    {"", "", "", "", "", "", "echo hello"}});
    run();
    const std::vector<std::string> expected = {
        "Job File: " + cpl + "/job.cpl",
        "Job Start @ 2000/01/15 10:20:30",
        xcopyLine(src + "/*.txt", dst),
        xcopyOutput(src + "/*.txt", dst),
        "u \"" + dst + "/arc000115.lzh\" \"" + src + "/\"  ",
        "echo hello",
        "Job End @ 2000/01/15 10:20:30\n",
    };
    EXPECT_EQ(host.logCalls(), expected);
    EXPECT_EQ(launcher.started, std::vector<std::string>{"echo hello"});
    EXPECT_EQ(readFile(unlhaLog), "u \"" + dst + "/arc000115.lzh\" \"" + src + "/\"  |65536\n");
    EXPECT_EQ(readFile(prog + "/Trevane.log"), host.log.text());
    EXPECT_EQ(host.log.text().substr(host.log.text().size() - 4), "\r\n\r\n");

    const std::vector<std::string> frame = {"copySettings", "check", "mark", "state:working..."};
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), host.calls.begin()));
    const std::vector<std::string> tail = {"save:" + prog + "/Trevane.log", "state:ready", "remove",
                                           "check"};
    EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), host.calls.rbegin()));
    EXPECT_TRUE(host.queue.empty());
}

TEST_F(JobRunnerTest, SkippedRowsAndFailures) {
    job("job.cpl", {{"only one item"},
                    {"   ", dst},
                    {dir / "nowhere", dst},
                    {src, "  "},
                    {src, dir / "no-dst", "", "x.lzh"},
                    {src, dst, "", "FAIL.lzh"},
                    {"", "", "", "", "", "", "   "}});
    options("job.cpl", {{"bOption4", "0"}});
    run();
    const std::vector<std::string> expected = {
        "2 行目: コピー元ディレクトリが空白なのでスキップしました",
        dir / "nowhereがみつかりませんでした",
        "4 行目: コピー先ディレクトリが空白なのでスキップしました",
        dir / "no-dstが見つかりませんでした",
        "Unlha が失敗しました。(戻り値 1)",
        "   ",
    };
    EXPECT_EQ(rowLog(), expected);
    // The rows skipped for a blank or missing folder count as failed steps too.
    EXPECT_EQ(host.logCalls().back(), "失敗した手順: 5 件");
    EXPECT_EQ(host.logLines().size(), 11u);
    EXPECT_EQ(readFile(prog + "/Trevane.log"), host.log.text());
    EXPECT_EQ(launcher.started, std::vector<std::string>{"   "});
    EXPECT_TRUE(host.queue.empty());
}

TEST_F(JobRunnerTest, Option7ClearsACopyDestinationAndDeletesAnOldArchive) {
    const std::string arcs = dir / "arcs";
    std::filesystem::create_directories(arcs);
    writeFile(dst + "/old.txt", "old");
    writeFile(arcs + "/arc000115.lzh", "old archive");
    writeFile(arcs + "/keep.txt", "an archive row never clears its folder");
    job("job.cpl", {{src, dst}, {src, arcs, "", "arc%t.lzh", "", "-x"}});
    options("job.cpl", {{"bOption7", "1"}});
    run();
    const std::vector<std::string> expected = {
        "deltree /Y \"" + dst + "\"",
        dst + "を作成しました",
        xcopyLine(src, dst),
        xcopyOutput(src, dst),
        arcs + "/arc000115.lzhを削除しました。",
        "u \"" + arcs + "/arc000115.lzh\" \"" + src + "/\"  -x",
    };
    EXPECT_EQ(rowLog(), expected);
    EXPECT_FALSE(std::filesystem::exists(dst + "/old.txt"));
    EXPECT_EQ(readFile(arcs + "/arc000115.lzh"), "new archive") << "replaced by the new one";
    EXPECT_TRUE(std::filesystem::exists(arcs + "/keep.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(arcs), {}), 2);
}

TEST_F(JobRunnerTest, Option7EmptiesTheFolderBehindALinkedDestination) {
    // A backup disk linked into the home folder: the link stays and leads to the emptied folder.
    const std::string disk = dir / "disk";
    std::filesystem::create_directories(disk);
    writeFile(disk + "/old.txt", "old");
    std::filesystem::create_directory_symlink(disk, dir / "backup");
    job("job.cpl", {{src, dir / "backup/"}});
    options("job.cpl", {{"bOption7", "1"}});
    run();
    const std::vector<std::string> expected = {
        "deltree /Y \"" + disk + "\"",
        disk + "を作成しました",
        xcopyLine(src, dir / "backup"),
        xcopyOutput(src, dir / "backup"),
    };
    EXPECT_EQ(rowLog(), expected);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "backup"));
    EXPECT_TRUE(std::filesystem::is_directory(disk));
    EXPECT_FALSE(std::filesystem::exists(disk + "/old.txt"));
}

TEST_F(JobRunnerTest, Option7ReplacesAnArchiveBehindALink) {
    // An archive on a backup disk linked into the destination: the link stays and leads to the
    // new archive.
    const std::string disk = dir / "disk";
    std::filesystem::create_directories(disk);
    writeFile(disk + "/real.lzh", "old archive");
    std::filesystem::create_symlink(disk + "/real.lzh", dst + "/arc.lzh");
    job("job.cpl", {{src, dst, "", "arc.lzh"}});
    options("job.cpl", {{"bOption7", "1"}});
    run();
    const std::vector<std::string> expected = {dst + "/arc.lzhを削除しました。",
                                               "u \"" + dst + "/arc.lzh\" \"" + src + "/\"  "};
    EXPECT_EQ(rowLog(), expected);
    EXPECT_TRUE(std::filesystem::is_symlink(dst + "/arc.lzh"));
    EXPECT_EQ(readFile(disk + "/real.lzh"), "new archive");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk), {}), 1);
}

TEST_F(JobRunnerTest, Option7ReplacesTheFileTheArchiverWritesForANameWithoutExtension) {
    writeFile(dst + "/backup.lzh", "old archive");
    job("job.cpl", {{src, dst, "", "backup"}});
    options("job.cpl", {{"bOption7", "1"}});
    run();
    const std::vector<std::string> expected = {dst + "/backupを削除しました。",
                                               "u \"" + dst + "/backup\" \"" + src + "/\"  "};
    EXPECT_EQ(rowLog(), expected);
    EXPECT_EQ(readFile(dst + "/backup.lzh"), "new archive");
}

TEST_F(JobRunnerTest, Option7NeverDeletesTheSourceNorAnArchiveWithoutItsSuccessor) {
    // Destinations that are the source or hold it, also through a link, are not cleared, and
    // their copy is skipped; an archive stays when the archiver fails to make its successor.
    const std::string arcs = dir / "arcs";
    std::filesystem::create_directories(arcs);
    std::filesystem::create_directories(dst + "/inner");
    writeFile(dst + "/inner/keep.txt", "source data");
    std::filesystem::create_directory_symlink(src, dir / "link");
    writeFile(arcs + "/FAIL000115.lzh", "old archive");
    job("job.cpl", {{dst + "/inner", dst},
                    {src, src + "/"},
                    {src, dir / "link"},
                    {src, arcs, "", "FAIL%t.lzh"}});
    options("job.cpl", {{"bOption7", "1"}});
    run();
    const std::vector<std::string> expected = {
        dst + "はコピー元を含むので消去せず、コピーをスキップします。",
        src + "はコピー元を含むので消去せず、コピーをスキップします。",
        dir / "linkはコピー元を含むので消去せず、コピーをスキップします。",
        "Unlha が失敗しました。(戻り値 1)",
    };
    EXPECT_EQ(rowLog(), expected);
    EXPECT_EQ(readFile(dst + "/inner/keep.txt"), "source data");
    EXPECT_EQ(readFile(src + "/a.txt"), "a");
    EXPECT_EQ(readFile(arcs + "/FAIL000115.lzh"), "old archive");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(arcs), {}), 1);
    EXPECT_EQ(host.logCalls().back(), "失敗した手順: 4 件");
}

TEST_F(JobRunnerTest, EveryLogLineReachesTheLogFile) {
    // The log copy fails (a folder is in the way), and the last queued job file is missing:
    // both lines come after the job wrote its log, and both still reach it.
    std::filesystem::create_directories(dst + "/Trevane.log");
    job("a.cpl", {{src, dst}});
    options("a.cpl", {{"bOption8", "1"}});
    host.queue.push_back("gone.cpl");
    run();
    const std::string logFile = readFile(prog + "/Trevane.log");
    EXPECT_EQ(logFile, host.log.text());
    EXPECT_NE(logFile.find(dst + "/Trevane.logを保存できませんでした。"), std::string::npos);
    EXPECT_NE(logFile.find("gone.cplは存在しないのでスキップします。"), std::string::npos);
}

TEST_F(JobRunnerTest, OnlyJobFilesOfTheJobFileFolderRun) {
    std::filesystem::create_directories(dir / "x");
    std::filesystem::create_directories(cpl + "/sub");
    const std::vector<std::string> outside = {"../../x/evil.cpl", dir / "x/evil.cpl",
                                              "sub/evil.cpl", "..", "."};
    for (const std::string& at : {dir / "x/evil.cpl", cpl + "/sub/evil.cpl"})
        ASSERT_TRUE(writeJobFile(at, {joinCommaText({src, dst, "", "", "", "", "evil"})}).ok);
    for (const std::string& name : outside)
        host.queue.push_back(name);
    run();
    std::vector<std::string> expected;
    for (const std::string& name : outside)
        expected.push_back("Job File: " + name + "はCPLフォルダ (" + cpl +
                           ") の外にあるのでスキップします。");
    EXPECT_EQ(host.logCalls(), expected);
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_TRUE(host.queue.empty());
}

TEST_F(JobRunnerTest, FailedStepsAreToldAndCounted) {
    // xcopy fails, deltree fails, a command cannot be started, the archiver fails.
    makeTool("xcopy", "echo copy problem; exit 5");
    makeTool("deltree", "exit 1");
    launcher.refuse = true;
    job("job.cpl", {{src, dst},
                    {"", "", "", "", "", "", "nothing-here --x"},
                    {src, dst, "", "FAIL.lzh"},
                    {" ", " "},
                    {src, dst, "", "ok.lzh"}});
    options("job.cpl", {{"bOption7", "1"}});
    run();
    const std::vector<std::string> expected = {
        "deltree /Y \"" + dst + "\"",
        "deltree が失敗しました。(終了コード 1)",
        xcopyLine(src, dst),
        "copy problem\n",
        "xcopy が失敗しました。(終了コード 5)",
        "nothing-here --x",
        "nothing-here を起動できませんでした。",
        "Unlha が失敗しました。(戻り値 1)",
        "4 行目: コピー元ディレクトリが空白なのでスキップしました",
        "u \"" + dst + "/ok.lzh\" \"" + src + "/\"  ",
    };
    EXPECT_EQ(rowLog(), expected);
    const auto log = host.logCalls();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].rfind("Job End @ ", 0), 0u);
    // The row of blank folder cells is a step, as the window shows it: counted and told.
    EXPECT_EQ(log.back(), "失敗した手順: 5 件");
    EXPECT_EQ(readFile(prog + "/Trevane.log"), host.log.text());
    const std::vector<std::string> progress = {"row 0/5", "row 1/5", "row 2/5", "row 3/5",
                                               "row 4/5", "end job.cpl 5"};
    EXPECT_EQ(host.progress, progress);
}

TEST_F(JobRunnerTest, Option4CreatesAMissingDestinationOnlyWhenOn) {
    const std::string missing = dir / "new";
    job("on.cpl", {{src, missing + "/"}});
    job("off.cpl", {{src, missing + "2"}});
    options("off.cpl", {{"bOption4", "0"}});
    run();
    const auto log = host.logCalls();
    EXPECT_NE(std::find(log.begin(), log.end(), missing + "を作成しました"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), xcopyLine(src, missing)), log.end());
    EXPECT_TRUE(std::filesystem::is_directory(missing));
    EXPECT_NE(std::find(log.begin(), log.end(), missing + "2がみつかりませんでした"), log.end());
    EXPECT_FALSE(std::filesystem::exists(missing + "2"));
}

TEST_F(JobRunnerTest, ALeadingTildeIsTheHomeFolder) {
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", dir.path().c_str(), 1);
    job("job.cpl", {{"~/src", " ~/out/"}});
    run();
    oldHome ? ::setenv("HOME", savedHome.c_str(), 1) : ::unsetenv("HOME");
    const std::vector<std::string> expected = {
        dir / "outを作成しました",
        xcopyLine(src, dir / "out"),
        xcopyOutput(src, dir / "out"),
    };
    EXPECT_EQ(rowLog(), expected);
}

// A folder cell that is not absolute (after "~") would be read from whatever folder the
// program was started in: the row is refused, named by its line, and nothing is made there.
TEST_F(JobRunnerTest, RelativeFoldersAreRefused) {
    const std::string started = dir / "started-in";
    std::filesystem::create_directories(started + "/srv/data");
    const std::filesystem::path savedCwd = std::filesystem::current_path();
    std::filesystem::current_path(started);
    job("job.cpl", {{"srv/data", dst}, {src, "backup"}, {src, "~nobody/bak", "", "a.lzh"}});
    run();
    std::filesystem::current_path(savedCwd);
    const std::vector<std::string> expected = {
        "1 行目: コピー元ディレクトリ「srv/data」は絶対パスではないのでスキップしました",
        "2 行目: コピー先ディレクトリ「backup」は絶対パスではないのでスキップしました",
        "3 行目: コピー先ディレクトリ「~nobody/bak」は絶対パスではないのでスキップしました",
    };
    EXPECT_EQ(rowLog(), expected);
    EXPECT_EQ(host.logCalls().back(), "失敗した手順: 3 件");
    EXPECT_FALSE(std::filesystem::exists(started + "/backup"));
    EXPECT_FALSE(std::filesystem::exists(unlhaLog));
}

TEST_F(JobRunnerTest, Option8WithoutADestinationCopiesNoLog) {
    job("job.cpl", {{src, dst}, {src, "  "}});
    options("job.cpl", {{"bOption8", "1"}});
    run();
    EXPECT_EQ(host.logCalls().back(),
              "コピー先ディレクトリがないので、ログファイルをコピーしません。");
    for (const std::string& call : host.calls)
        EXPECT_TRUE(call.rfind("save:", 0) != 0 || call == "save:" + prog + "/Trevane.log") << call;
}

TEST_F(JobRunnerTest, Option8CopiesTheLogAndOption9OpensTheFolder) {
    job("job.cpl", {{src, dst + "/"}, {src, dst, "", "a.lzh"}});
    options("job.cpl", {{"bOption8", "1"}, {"bOption9", "1"}, {"bOption10", "1"}});
    run();
    const std::string copy = dst + "//Trevane.log"; // the archive row left dst ending in "/"
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "save:" + copy), host.calls.end());
    EXPECT_EQ(readFile(dst + "/Trevane.log"), readFile(prog + "/Trevane.log"));
    const std::vector<std::string> windows = {"xdg-open \"" + dst + "\"",
                                              "xdg-open \"" + dst + "/\""};
    EXPECT_EQ(launcher.started, windows);
    EXPECT_TRUE(host.hidden);
}

TEST_F(JobRunnerTest, SwitchStringsFollowTheOptionsAndRowCellsReplaceThem) {
    job("job.cpl", {{src, dst, "", "", " /E ", "", ""}});
    options("job.cpl", {{"bOption0", "1"},
                        {"bOption3", "1"},
                        {"bOption11", "1"},
                        {"bOption12", "1"},
                        {"bOption13", "1"}});
    JobRunner r = runner();
    r.Execute();
    EXPECT_EQ(r.defaultSwitches().xcopy, "/Y/C/D:1998-01-01/S/H/I/K/R");
    EXPECT_EQ(r.defaultSwitches().u, "-c-d1");
    EXPECT_EQ(rowLog().at(0), xcopyLine(src, dst, "/E"));
}

TEST_F(JobRunnerTest, StopRequests) {
    // Before the first job: nothing at all happens.
    job("a.cpl", {{src, dst}, {src, dst}, {src, dst}});
    job("b.cpl", {{src, dst}});
    host.continueFlag = false;
    run();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"copySettings", "check"}));
    EXPECT_EQ(host.queue.size(), 2u);

    // Inside the first job, before its second row: the row that ran finishes, the abort line
    // follows, the end lines and the log are still written, and the job stays queued.
    host.calls.clear();
    host.checks = 0;
    host.continueFlag = true;
    host.onCheck = [this](int n) {
        if (n == 3)
            host.continueFlag = false;
    };
    run();
    const std::vector<std::string> expected = {xcopyLine(src, dst), xcopyOutput(src, dst),
                                               "コピーを中止しました"};
    EXPECT_EQ(rowLog(), expected);
    EXPECT_EQ(host.queue, (std::vector<std::string>{"a.cpl", "b.cpl"}));
    EXPECT_FALSE(host.headRed);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "remove"), 0);
    EXPECT_EQ(host.calls.back(), "state:ready");

    // Between jobs: the next job stays at the head, untouched, with no line logged for it.
    host.calls.clear();
    host.checks = 0;
    host.continueFlag = true;
    host.onCheck = [this](int n) {
        if (n == 5) // 1 before a, 3 before its rows, 5 before b
            host.continueFlag = false;
    };
    run();
    EXPECT_EQ(host.queue, std::vector<std::string>{"b.cpl"});
    const auto log = host.logCalls();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& s) { return s.rfind("Job File: ", 0) == 0; }),
              1);
}

TEST_F(JobRunnerTest, AMissingMiddleJobIsLoggedAndSkipped) {
    job("a.cpl", {{src, dst}});
    host.queue.push_back("gone.cpl");
    job("c.cpl", {{src, dst}});
    run();
    const auto log = host.logCalls();
    std::vector<std::string> jobLines;
    for (const std::string& s : log)
        if (s.rfind("Job File: ", 0) == 0)
            jobLines.push_back(s);
    const std::vector<std::string> expected = {"Job File: " + cpl + "/a.cpl",
                                               "Job File: " + cpl +
                                                   "/gone.cplは存在しないのでスキップします。",
                                               "Job File: " + cpl + "/c.cpl"};
    EXPECT_EQ(jobLines, expected);
    EXPECT_TRUE(host.queue.empty());
}

TEST_F(JobRunnerTest, RunnerErrorsAreLoggedAndTheNextJobRuns) {
    // The log folder cannot take the log file (a folder is in the way), and the host fails
    // once in the middle of the second job.
    std::filesystem::create_directories(prog + "/Trevane.log");
    job("a.cpl", {{src, dst}});
    job("b.cpl", {{src, dst}});
    job("c.cpl", {{src, dst}});
    host.onLog = [this](const std::string& message) {
        if (message == "Job File: " + cpl + "/b.cpl")
            throw std::runtime_error("panel gone");
    };
    run();
    const auto log = host.logCalls();
    const auto count = [&log](const std::string& prefix) {
        return std::count_if(log.begin(), log.end(),
                             [&prefix](const std::string& s) { return s.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(count(prog + "/Trevane.logを保存できませんでした。("), 2);
    EXPECT_EQ(count("ジョブの実行中にエラーが発生しました。(panel gone)"), 1);
    EXPECT_EQ(count("Job End @ "), 2);
    EXPECT_TRUE(host.queue.empty());
}

TEST_F(JobRunnerTest, GarbageAndHugeJobFilesRunThrough) {
    std::string garbage;
    unsigned state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        garbage.push_back(static_cast<char>(state >> 16));
    }
    writeFile(cpl + "/garbage.cpl", garbage);
    host.queue.push_back("garbage.cpl");
    std::vector<std::vector<std::string>> rows(100000, {"", ""});
    job("huge.cpl", rows);
    host.settings.maxLogLines = 50;
    run();
    EXPECT_TRUE(host.queue.empty());
    EXPECT_LE(host.log.size(), 50u);
    const auto log = host.logCalls();
    EXPECT_EQ(log.back(), "Job End @ 2000/01/15 10:20:30\n");
    EXPECT_EQ(log[log.size() - 2], "Job Start @ 2000/01/15 10:20:30") << "blank rows log nothing";
}

TEST_F(JobRunnerTest, OutputIsLoggedInChunks) {
    struct Case {
        std::string args;
        std::vector<std::size_t> sizes;
    };
    const Case cases[] = {
        {"out 0", {}},           {"out 3999", {3999}},       {"out 4000", {4000}},
        {"out 4001", {4000, 1}}, {"out 8000", {4000, 4000}}, {"zero", {3}},
    };
    for (const Case& c : cases) {
        host.calls.clear();
        JobRunner r = runner();
        r.RunProcess(child + " " + c.args);
        const auto log = host.logCalls();
        ASSERT_FALSE(log.empty()) << c.args;
        EXPECT_EQ(log[0], child + " " + c.args);
        std::vector<std::size_t> sizes;
        for (std::size_t i = 1; i < log.size(); ++i)
            sizes.push_back(log[i].size());
        EXPECT_EQ(sizes, c.sizes) << c.args;
    }
    host.calls.clear();
    JobRunner r = runner();
    r.RunProcess(child + " out 700000");
    EXPECT_EQ(host.logCalls().size(), 152u);

    host.settings.captureOutput = false;
    r.CopySettings();
    host.calls.clear();
    r.RunProcess(child + " out 700000");
    EXPECT_EQ(host.logCalls(), std::vector<std::string>{child + " out 700000"});

    host.calls.clear();
    r.RunProcess("no-such-program /Y");
    EXPECT_EQ(host.logCalls(),
              std::vector<std::string>{"no-such-program を起動できませんでした。"});
}

TEST_F(JobRunnerTest, InternalChecksAndHandleFailures) {
    FakeSpawner fake;
    JobRunner r = runner(nullptr, &fake);
    fake.result.failedCheck = ProcessSpawner::FailedCheck::PipeCreation;
    r.RunProcess("xcopy a b");
    ASSERT_EQ(fatal.messages.size(), 1u);
    EXPECT_EQ(fatal.messages[0].rfind("Assertion failed: CreatePipe(&hReadPipe, &hWritePipe, "
                                      "lpsa, 2500000), file BGCopyThread, line ",
                                      0),
              0u);
    EXPECT_TRUE(host.calls.empty());

    fake.result = {};
    fake.result.start = ProcessSpawner::StartStatus::Started;
    fake.result.handleError = true;
    fake.result.waitFailed = true;
    fake.result.output = "partial";
    fake.result.failedCheck = ProcessSpawner::FailedCheck::Read;
    r.RunProcess("xcopy a b");
    const std::vector<std::string> expected = {"xcopy a b", "process handle error",
                                               "process wait failure", "partial"};
    EXPECT_EQ(host.logCalls(), expected);
    ASSERT_EQ(fatal.messages.size(), 2u);
    EXPECT_NE(fatal.messages[1].find("ReadFile(hReadPipe, &dest, sizeof(dest), &BytesRead, NULL)"),
              std::string::npos);
}

TEST_F(JobRunnerTest, ArchiverCalls) {
    JobRunner r = runner();
    r.RunUnlha("u \"a.lzh\" \"b/\"  ");
    r.RunUnlha("u \"FAIL-SAYS-WHY.lzh\" \"b/\"  ");
    UnlhaLibrary missing({dir / "no/libUnlha32.so", "libNoSuchUnlha32.so"});
    JobRunner withoutLibrary = runner(&missing);
    withoutLibrary.RunUnlha("u x");
    UnlhaLibrary noEntry({"libm.so.6"});
    JobRunner withoutEntry = runner(&noEntry);
    withoutEntry.RunUnlha("u y");
    const std::vector<std::string> expected = {
        "u \"a.lzh\" \"b/\"  ", "cannot read FAIL", "1 file left out", "Unlha が失敗しました。(戻り値 1)",
        "Unlha32.dll が組込まれていません。", "Unlha を呼び出せませんでした。",
        "Unlha を呼び出せませんでした。"};
    EXPECT_EQ(host.logCalls(), expected);
    EXPECT_EQ(readFile(unlhaLog), "u \"a.lzh\" \"b/\"  |65536\nu \"FAIL-SAYS-WHY.lzh\" \"b/\"  |65536\n");
}

} // namespace

// As root, a job file or settings file another user owns or may write runs nothing.
TEST_F(JobRunnerTest, AsRootFilesOthersMayWriteRunNothing) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "the rule holds for runs as root";
    for (const auto& [path, owner, mode] :
         {std::tuple{cpl + "/job.cpl", 65534, 0644}, std::tuple{prog + "/Trevane.ini", 0, 0664}}) {
        job("job.cpl", {{"", "", "", "", "", "", "touch /etc/owned"}});
        options("job.cpl", {{"bOption0", "0"}});
        ASSERT_EQ(::chown(path.c_str(), owner, 0) | ::chmod(path.c_str(), mode), 0);
        run();
        EXPECT_EQ(launcher.started.size(), 0u) << path;
        std::filesystem::remove(path);
    }
}

// A copy killed by a signal is a failed step; one that ended because the run was stopped is not.
TEST_F(JobRunnerTest, AKilledStepFailsUnlessTheRunWasStopped) {
    makeTool("xcopy", "kill -KILL $$");
    for (const bool stopped : {false, true}) {
        host.calls.clear();
        host.continueFlag = true;
        host.onLog = [&](const std::string& line) {
            host.continueFlag = !(stopped && line.rfind("xcopy ", 0) == 0) && host.continueFlag;
        };
        job("job.cpl", {{src, dst}, {src, dst}});
        run();
        const auto log = host.logCalls();
        EXPECT_EQ(std::count(log.begin(), log.end(), "xcopy が失敗しました。(終了コード -1)"),
                  stopped ? 0 : 2);
        EXPECT_EQ(std::count(log.begin(), log.end(), "コピーを中止しました"), stopped ? 1 : 0);
        host.queue.clear();
    }
}

TEST_F(JobRunnerTest, TheRunFileKeepsTheWholeOutputOfAStep) {
    // 20,000 listed files push the count line and the failing file far past what the panel
    // keeps, and long paths cross the panel's 4,000-byte seams.
    const std::string deep = src + "/" + std::string(150, 'd');
    makeTool("xcopy",
             "seq -f '" + deep + "/%05g.txt' 20000; echo '" + deep +
                 "/壊れた.txt: 書けません'; echo '20000 個のファイルをコピーしました'; exit 5");
    const std::string runs = dir / "runs";
    host.settings.runsFolder = runs;
    std::filesystem::create_directories(runs);
    // A link planted under the run's name leads nowhere: the run takes the next name.
    writeFile(dir / "victim", "untouched");
    const std::string planted = runs + "/" + RunHistory::fileName(clock.when, "job.cpl");
    std::filesystem::create_symlink(dir / "victim", planted);
    job("job.cpl", {{src, dst}});
    run();

    const std::vector<RunHistory::Record> records = RunHistory::list(runs);
    ASSERT_EQ(records.size(), 1u);
    const RunHistory::Record& r = records[0];
    EXPECT_EQ(r.fileName, RunHistory::fileName(clock.when, "job.cpl", 2));
    EXPECT_EQ(std::tie(r.start, r.jobFile, r.result, r.failedSteps),
              std::tuple("2000-01-15 10:20:30", cpl + "/job.cpl", RunHistory::Result::Failed, 1));
    EXPECT_EQ(readFile(dir / "victim"), "untouched");
    struct stat st {};
    ASSERT_EQ(::stat((runs + "/" + r.fileName).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    std::vector<std::string> lines;
    std::istringstream text(readFile(runs + "/" + r.fileName));
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    const auto first = std::find(lines.begin(), lines.end(), xcopyLine(src, dst));
    ASSERT_GE(std::distance(first, lines.end()), 20004);
    for (int i = 1; i <= 20000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "/%05d.txt", i);
        ASSERT_EQ(first[i], deep + name);
    }
    EXPECT_EQ(first[20001], deep + "/壊れた.txt: 書けません");
    EXPECT_EQ(first[20002], "20000 個のファイルをコピーしました");
    EXPECT_EQ(first[20003], "xcopy が失敗しました。(終了コード 5)");
}

TEST_F(JobRunnerTest, RunFilesArePrunedByAge) {
    const std::string runs = dir / "runs";
    struct Case {
        std::string name;
        bool kept; // after pruning at 90 days from 2000-01-15 10:20:30
    };
    const Case cases[] = {
        {"20000115-102030-a.cpl.log", true},  {"19991017-102030-a.cpl.log", true},
        {"19991017-102029-b.cpl.log", false}, {"19500101-000000-a.cpl-2.log", false},
        {"19500101-000000-notes.txt", true},  {"old-19500101-000000-a.log", true},
        {"20000101-000000-c.cpl.log", false}, // its header says 1950
    };
    std::filesystem::create_directories(runs);
    for (const Case& c : cases)
        writeFile(runs + "/" + c.name, "x");
    writeFile(runs + "/" + cases[6].name, "Trevane-Run: 1\nStart: 1950-01-01 00:00:00\n");
    EXPECT_EQ(RunHistory::prune(runs, 90, clock.when), 0) << "the newest 100 stay";
    for (int attempt = 1; attempt <= RunHistory::KeptRuns; ++attempt)
        writeFile(runs + "/" + RunHistory::fileName(clock.when, "new.cpl", attempt), "x");
    EXPECT_EQ(RunHistory::prune(runs, 0, clock.when), 0) << "0 days keeps everything";
    DateTime forward = clock.when;
    forward.year += 1; // a clock set forward: ages count from the newest run
    EXPECT_EQ(RunHistory::prune(runs, 90, forward), 3);
    for (const Case& c : cases)
        EXPECT_EQ(std::filesystem::exists(runs + "/" + c.name), c.kept) << c.name;
}
