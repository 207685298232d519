// The runner with the program's own helpers: xcopy and deltree beside the executable and the
// real archiver library, on real temporary trees. Archives are checked by Debian's lhasa.
#include "support/FailingPath.h"
#include "support/FieldDisk.h"
#include "support/StandIns.h"

#include "engine/JobRunner.h"
#include "engine/UnlhaLibrary.h"
#include "jobs/CommaText.h"
#include "jobs/IniFile.h"
#include "jobs/JobFile.h"
#include "platform/ProcessSpawner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <tuple>

using namespace trevane;
using namespace trevane::test;

namespace {

const std::string binFolder = HELPER_FOLDER;

// Runs job.cpl of the program folder prog; gives its log entries, and the internal checks that
// failed after them.
std::vector<std::string> runJob(const std::string& prog, ProcessSpawner& spawner,
                                bool verify = false, const std::string& runsFolder = {}) {
    RecordingHost host;
    host.settings.files.folder = prog;
    host.settings.verify = verify;
    host.settings.runsFolder = runsFolder;
    host.queue = {"job.cpl"};
    FixedClock clock;
    RecordingLauncher launcher;
    RecordingFatal fatal;
    UnlhaLibrary archiver(UnlhaLibrary::beside(binFolder));
    JobRunner(host, RunnerServices{spawner, archiver, launcher, clock, fatal,
                                   DateTimeLocale::english(), PathConventions::native()})
        .Execute();
    std::vector<std::string> log = host.logCalls();
    log.insert(log.end(), fatal.messages.begin(), fatal.messages.end());
    return log;
}

TEST(RealToolsTest, CopyClearAndArchiveAJob) {
    TempDir dir;
    const std::string prog = dir / "prog";
    const std::string src = dir / "データ 元";
    const std::string dst = dir / "bak";
    const std::string arcs = dir / "arcs";
    for (const std::string& d : {prog + "/CPL", src + "/sub", dst, arcs})
        std::filesystem::create_directories(d);
    writeFile(src + "/a.txt", "alpha\n");
    writeFile(src + "/sub/b.txt", std::string(20000, 'b'));
    writeFile(dst + "/stale.txt", "cleared by option 7");

    ASSERT_TRUE(writeJobFile(prog + "/CPL/job.cpl",
                             {joinCommaText({src, dst + "/", "", "", "", "", ""}),
                              joinCommaText({src, arcs, "", "save%t.lzh", "", "-d1", ""})})
                    .ok);
    IniFile ini;
    ini.writeBool(prog + "/CPL/job.cpl", "bOption7", true);
    ASSERT_TRUE(ini.saveAs(prog + "/Trevane.ini").ok);

    auto spawner = ProcessSpawner::createNative(binFolder);
    const auto log = runJob(prog, *spawner);
    const auto has = [&log](const std::string& entry) {
        return std::find(log.begin(), log.end(), entry) != log.end();
    };
    EXPECT_TRUE(has("deltree /Y \"" + dst + "\""));
    EXPECT_TRUE(has(dst + "を作成しました"));
    EXPECT_TRUE(has("xcopy \"" + src + "\" \"" + dst + "\" /Y/D/S/I/K/R"));
    const std::string archive = arcs + "/save000115.lzh";
    EXPECT_TRUE(has("u \"" + archive + "\" \"" + src + "/\"  -d1")) << "the archiver succeeded";
    EXPECT_EQ(log.back().rfind("Job End @ ", 0), 0u) << "no internal check failed";

    EXPECT_FALSE(std::filesystem::exists(dst + "/stale.txt"));
    EXPECT_EQ(readFile(dst + "/a.txt"), "alpha\n");
    EXPECT_EQ(readFile(dst + "/sub/b.txt"), std::string(20000, 'b'));
    ASSERT_TRUE(std::filesystem::exists(archive));

    // An independent reader verifies the archive.
    auto check = spawner->run("lhasa t \"" + archive + "\"", 100000, {});
    EXPECT_EQ(check.start, ProcessSpawner::StartStatus::Started);
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_NE(check.output.find("a.txt"), std::string::npos) << check.output;
}

TEST(RealToolsTest, VerifyingTellsEachDifferenceAndFailsItsStep) {
    TempDir dir;
    const std::string prog = dir / "prog";
    const std::string src = dir / "src";
    for (const std::string& d : {prog + "/CPL", src, dir / "bak"})
        std::filesystem::create_directories(d);
    writeFile(src + "/a.txt", "alpha\n");
    writeFile(src + "/b.txt", "bravo\n");
    ASSERT_TRUE(writeJobFile(prog + "/CPL/job.cpl",
                             {joinCommaText({src, dir / "bak", "", "", "", "", ""}),
                              joinCommaText({src, dir / "bak", "", "save.lzh", "", "", ""})})
                    .ok);
    auto spawner = ProcessSpawner::createNative(binFolder);
    auto log = runJob(prog, *spawner, true);
    EXPECT_EQ(std::count(log.begin(), log.end(), "検証しました: 2 個のファイル"), 2);
    EXPECT_EQ(log.back().rfind("Job End @ ", 0), 0u);

    // Changed after the backup with its size and time kept: neither run backs it up again.
    struct stat st;
    ASSERT_EQ(::stat((src + "/b.txt").c_str(), &st), 0);
    writeFile(src + "/b.txt", "brave\n");
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, (src + "/b.txt").c_str(), times, 0), 0);
    log = runJob(prog, *spawner, true);
    EXPECT_EQ(std::count(log.begin(), log.end(), "検証で違いが見つかりました: " + src + "/b.txt"),
              2);
    EXPECT_EQ(log.back(), "失敗した手順: 2 件");
}

TEST(RealToolsTest, Option7ReplacesAnArchiveInsideItsOwnSource) {
    // The old archive must not go into its successor, nor anything the replacement makes; and
    // when the successor cannot be made, or its owner protected it, it stays as it was.
    TempDir dir;
    const std::string prog = dir / "prog";
    const std::string src = dir / "src";
    const std::string archive = src + "/self.lzh";
    for (const std::string& d : {prog + "/CPL", src + "/sub"})
        std::filesystem::create_directories(d);
    writeFile(src + "/sub/a.txt", "alpha\n");
    ASSERT_TRUE(writeJobFile(prog + "/CPL/job.cpl",
                             {joinCommaText({src, src, "", "self.lzh", "", "-d1", ""})})
                    .ok);
    IniFile ini;
    ini.writeBool(prog + "/CPL/job.cpl", "bOption7", true);
    ASSERT_TRUE(ini.saveAs(prog + "/Trevane.ini").ok);
    auto spawner = ProcessSpawner::createNative(binFolder);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        EXPECT_EQ(runJob(prog, *spawner).back().rfind("Job End @ ", 0), 0u);
        const auto listing = spawner->run("lhasa l \"" + archive + "\"", 100000, {});
        EXPECT_EQ(listing.exitCode, 0) << listing.output;
        EXPECT_NE(listing.output.find("sub/a.txt"), std::string::npos) << listing.output;
        EXPECT_EQ(listing.output.find("self.lzh"), std::string::npos) << listing.output;
        EXPECT_EQ(listing.output.find(".trevane-"), std::string::npos) << listing.output;
    }
    const std::string before = readFile(archive);
    writeFile(src + "/huge.bin", "");
    std::filesystem::resize_file(src + "/huge.bin", (1ull << 32) + 1); // left out by the archiver
    EXPECT_EQ(runJob(prog, *spawner).back(), "失敗した手順: 1 件");
    EXPECT_TRUE(readFile(archive) == before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
        << "no scratch folder is left beside the source";
    // An archive that nobody may write is neither deleted nor rewritten.
    std::filesystem::remove(src + "/huge.bin");
    writeFile(src + "/new.txt", "new");
    std::filesystem::permissions(archive, std::filesystem::perms::owner_read);
    EXPECT_EQ(runJob(prog, *spawner).back(), "失敗した手順: 1 件");
    EXPECT_TRUE(readFile(archive) == before);
}

// A destination whose disk is not plugged in fails its step, and option 4 creates nothing on
// the disk that holds the folder left behind: after a run onto the disk it was remembered on,
// and before any run, under /mnt, where no folder is a mount point. A name the disk refuses
// fails too.
TEST(RealToolsTest, ADestinationOnTheWrongDiskFailsAndCreatesNothing) {
    if (const std::string why = FieldDisk::unavailable(FieldDisk::Kind::Exfat); !why.empty())
        GTEST_SKIP() << why;
    TempDir dir;
    FieldDisk mnt(FieldDisk::Kind::Tmpfs, "", "/mnt"); // this namespace's own /mnt, empty
    const std::string prog = dir / "prog", src = dir / "src";
    std::filesystem::create_directories(src);
    writeFile(src + "/a.txt", "a");
    auto spawner = ProcessSpawner::createNative(binFolder);
    const struct {
        const char* name;
        std::string stick; // the disk's mount point
        bool runFirst;     // one run while it is plugged in
    } rows[] = {{"unplugged after a run", dir / "stick", true},
                {"never run, under /mnt", "/mnt/stick", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string dst = row.stick + "/backup";
        std::filesystem::remove_all(prog);
        std::filesystem::create_directories(prog + "/CPL");
        ASSERT_TRUE(
            writeJobFile(prog + "/CPL/job.cpl", {joinCommaText({src, dst, "", "", "", "", ""})})
                .ok);
        IniFile ini;
        ini.writeBool(prog + "/CPL/job.cpl", "bOption4", true);
        ASSERT_TRUE(ini.saveAs(prog + "/Trevane.ini").ok);
        FieldDisk stick(FieldDisk::Kind::Exfat, dir / "stick.img", row.stick);
        if (row.runFirst) {
            EXPECT_EQ(runJob(prog, *spawner).back().rfind("Job End @ ", 0), 0u);
        }
        stick.unmount();
        const auto log = runJob(prog, *spawner);
        EXPECT_EQ(log.end()[-3], dst + "のディスクが接続されていません");
        EXPECT_EQ(log.back(), "失敗した手順: 1 件");
        EXPECT_FALSE(std::filesystem::exists(dst));
        ASSERT_TRUE(stick.mount());
        EXPECT_EQ(runJob(prog, *spawner).back().rfind("Job End @ ", 0), 0u) << "plugged in again";
    }
    // An archive name the disk refuses (a time of day in it) fails the row with the reason.
    FieldDisk stick(FieldDisk::Kind::Exfat, dir / "stick.img", dir / "stick");
    ASSERT_TRUE(
        writeJobFile(prog + "/CPL/job.cpl", {joinCommaText({src, dir / "stick", "", "1:2"})}).ok);
    EXPECT_EQ(
        runJob(prog, *spawner).end()[-3],
        "コピー先のファイルシステムでは名前に使えない文字 (: * ? \" < > | \\ など) があります - " +
            dir / "stick/1:2");
}

// The first log line holding text, or nothing.
std::string lineWith(const std::vector<std::string>& log, const std::string& text) {
    const auto line = std::find_if(log.begin(), log.end(),
                                   [&](const std::string& l) { return l.find(text) != l.npos; });
    return line == log.end() ? std::string() : *line;
}

// job.cpl of prog: one row, with one job option set.
void writeJob(const std::string& prog, const std::vector<std::string>& row, const char* option) {
    ASSERT_TRUE(writeJobFile(prog + "/CPL/job.cpl", {joinCommaText(row)}).ok);
    IniFile ini;
    ini.writeBool(prog + "/CPL/job.cpl", option, true);
    ASSERT_TRUE(ini.saveAs(prog + "/Trevane.ini").ok);
}

// As root over a folder another user owns, that user's links lead nowhere: not to a file the log
// copy (option 8) or an archive would overwrite, nor to a folder the clearing (option 7) would
// empty, xcopy or the run history would write into, or option 4 would make.
TEST(RealToolsTest, LinksAnotherUserPlantedAreNotFollowed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to own a link as another user";
    TempDir dir;
    const std::string prog = dir / "prog", src = dir / "src", shared = dir / "shared";
    for (const std::string& d : {prog + "/CPL", src, shared, dir / "system"})
        std::filesystem::create_directories(d);
    ASSERT_EQ(::chown(shared.c_str(), 65534, 65534), 0);
    writeFile(dir / "system/passwd", "root:x:0:0");
    writeFile(src + "/a.txt", "a");
    auto spawner = ProcessSpawner::createNative(binFolder);
    for (const auto& [name, target, dst, archive, option, runs] :
         {std::tuple{"Trevane.log", "/passwd", shared, "", "bOption8", ""},
          std::tuple{"b.lzh", "/passwd", shared, "b.lzh", "bOption7", ""},
          std::tuple{"b.lzh", "/new.lzh", shared, "b.lzh", "bOption4", ""},
          std::tuple{"bk", "", shared + "/bk", "", "bOption7", ""},
          std::tuple{"bk", "", shared + "/bk", "", "bOption4", ""},
          std::tuple{"bk", "", shared + "/bk/new", "", "bOption4", ""},
          std::tuple{"bk", "", prog, "", "bOption4", "/bk/runs"}}) {
        const std::string link = shared + "/" + name;
        ASSERT_EQ(::symlink((dir / "system" + target).c_str(), link.c_str()), 0);
        ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
        writeJob(prog, {src, dst, "", archive}, option);
        const auto log = runJob(prog, *spawner, false, *runs ? shared + runs : "");
        EXPECT_EQ(readFile(dir / "system/passwd"), "root:x:0:0");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "system"), {}), 1);
        EXPECT_NE(lineWith(log, untrustedLinkText(link)), "") << link;
        std::filesystem::remove(link);
    }
}

// When the new archive cannot take the old one's place, the step fails and the new archive is
// kept where the line says.
TEST(RealToolsTest, AnArchiveThatCannotBeReplacedFailsAndKeepsTheNewOne) {
    TempDir dir;
    const std::string prog = dir / "prog", arcs = dir / "arcs";
    for (const std::string& d : {prog + "/CPL", dir / "src", arcs})
        std::filesystem::create_directories(d);
    writeFile(dir / "src/a.txt", "a");
    writeFile(arcs + "/b.lzh", "old");
    writeJob(prog, {dir / "src", arcs, "", "b.lzh"}, "bOption7");
    const FailingPath cannotRename(arcs + "/b.lzh", EXDEV);
    const auto log = runJob(prog, *ProcessSpawner::createNative(binFolder));
    EXPECT_EQ(log.back(), "失敗した手順: 1 件");
    EXPECT_EQ(readFile(arcs + "/b.lzh"), "old");
    const std::string from = "新しい書庫は", line = lineWith(log, from);
    const size_t at = line.find(from) + from.size();
    EXPECT_TRUE(std::filesystem::exists(line.substr(at, line.find("に残しました") - at))) << line;
}

} // namespace
