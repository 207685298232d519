// Archives written through the entry point, checked with lhasa (and read back after jlha).
#include "TestSupport.h"
#include "UnlhaLibrary.h"
#include "support/FifoWatchdog.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <utime.h>

using namespace unlhatest;

namespace {

// A small tree with the kinds of files a backup meets.
void makeTree(const std::string& root) {
    writeFile(root + "/readme.txt", "hello\n");
    writeFile(root + "/empty.dat", "");
    writeFile(root + "/code.cpp", mixedBytes(300000, 1));
    std::string noise;
    uint32_t x = 7;
    for (int i = 0; i < 100000; ++i) {
        x = x * 1664525u + 1013904223u;
        noise.push_back(static_cast<char>(x >> 24));
    }
    writeFile(root + "/noise.bin", noise); // does not shrink: stored
    writeFile(root + "/sub/deeper/zeros.bin", std::string(200000, '\0'));
    writeFile(root + "/sub/日本語のファイル名.txt", "にほんご\n");
    writeFile(root + "/sub/with space.txt", "spaced\n");
    ::mkdir((root + "/emptyfolder").c_str(), 0755);
    ::chmod((root + "/readme.txt").c_str(), 0640);
}

void setMtime(const std::string& path, time_t t) {
    struct utimbuf b {
        t, t
    };
    ::utime(path.c_str(), &b);
}

std::string lhasa(const std::string& args) {
    return run("lhasa " + args).output;
}

} // namespace

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.loaded()) << UNLHA_LIBRARY;
        makeTree(dir / "src");
        ::mkdir((dir / "dst").c_str(), 0755);
    }
    UnlhaLibrary::Result call(const std::string& line) { return lib.call(line); }

    UnlhaLibrary lib;
    TempDir dir;
};

TEST_F(ArchiveTest, LhasaReadsWhatEveryMethodWrites) {
    if (!haveTool("lhasa"))
        GTEST_SKIP() << "lhasa is not installed";
    for (const char* method : {"", "-o5", "-o6", "-o7"}) {
        SCOPED_TRACE(method);
        std::string archive = dir / (std::string("dst/m") + method + ".lzh");
        auto r = call("u \"" + archive + "\" \"" + dir / "src/" + "\" -d1 " + method);
        ASSERT_EQ(r.code, 0) << r.output;
        RunResult t = run("lhasa t '" + archive + "'");
        EXPECT_EQ(t.code, 0) << t.output;
        std::string out = dir / (std::string("out") + method);
        ::mkdir(out.c_str(), 0755);
        run("lhasa xfw='" + out + "' '" + archive + "'");
        // lhasa writes names as stored: the Japanese one in CP932.
        const std::string japanese = "/sub/日本語のファイル名.txt";
        EXPECT_EQ(::rename((out + cp932(japanese)).c_str(), (out + japanese).c_str()), 0);
        RunResult diff = run("diff -r '" + dir / "src" + "' '" + out + "'");
        EXPECT_EQ(diff.code, 0) << diff.output;
        std::string listing = lhasa("v '" + archive + "'");
        std::string expect = *method ? std::string("-lh") + method[2] + "-" : "-lh5-";
        EXPECT_NE(listing.find(expect), std::string::npos) << listing;
        EXPECT_NE(listing.find("-lh0-"), std::string::npos) << "noise.bin is stored";
        EXPECT_NE(listing.find("emptyfolder"), std::string::npos);
        EXPECT_NE(listing.find("-rw-r-----"), std::string::npos) << "mode kept";
    }
}

TEST_F(ArchiveTest, UpdateTakesOnlyNewAndNewerFiles) {
    const std::string archive = dir / "dst/u.lzh";
    const std::string base = dir / "src/";
    auto u = [&](const std::string& extra) {
        return call("u \"" + archive + "\" \"" + base + "\" " + extra);
    };
    setMtime(base + "readme.txt", 1000000000);
    ASSERT_EQ(u("-d1").code, 0);
    struct stat before;
    ::stat(archive.c_str(), &before);

    struct Row {
        const char* name;
        std::function<void()> change;
        const char* switches;
        std::string expectInReport;
        bool rewritten;
    };
    const Row rows[] = {
        {"nothing changed", [] {}, "-d1", "up to date", false},
        {"older file is kept",
         [&] {
             writeFile(base + "readme.txt", "older\n");
             setMtime(base + "readme.txt", 999999000);
         },
         "-d1", "up to date", false},
        {"newer file replaces", [&] { setMtime(base + "readme.txt", 1000000100); }, "-d1",
         "replaced readme.txt", true},
        {"new file is added", [&] { writeFile(base + "sub/new.txt", "new\n"); }, "-d1",
         "added sub/new.txt", true},
        {"-c replaces without the time check", [] {}, "-c-d1", "replaced code.cpp", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.change();
        struct stat old;
        ::stat(archive.c_str(), &old);
        auto r = u(row.switches);
        EXPECT_EQ(r.code, 0) << r.output;
        EXPECT_NE(r.output.find(row.expectInReport), std::string::npos) << r.output;
        struct stat now;
        ::stat(archive.c_str(), &now);
        EXPECT_EQ(now.st_ino != old.st_ino, row.rewritten);
    }
    // The archive holds the newest contents and no duplicates.
    TempDir out;
    ASSERT_EQ(call("x \"" + archive + "\" \"" + out.path() + "/\"").code, 0);
    EXPECT_EQ(readFile(out / "readme.txt"), "older\n");
    EXPECT_EQ(readFile(out / "sub/new.txt"), "new\n");
    auto l = call("l \"" + archive + "\" readme.txt");
    EXPECT_NE(l.output.find("1 members"), std::string::npos) << l.output;
}

TEST_F(ArchiveTest, SelectionOfFiles) {
    struct Row {
        const char* name;
        std::string args;
        int code;
        std::vector<std::string> members;
        std::vector<std::string> notMembers;
    };
    const Row rows[] = {
        {"without -d1 only the base folder's files",
         "",
         0,
         {"readme.txt", "code.cpp"},
         {"sub/with space.txt", "with space.txt", "emptyfolder"}},
        {"pattern", "\"*.txt\" -d1", 0, {"readme.txt", "sub/with space.txt"}, {"code.cpp"}},
        // Patterns read as xcopy reads them: letters in any case, "?" one character.
        {"pattern in capitals", "\"*.TXT\"", 0, {"readme.txt"}, {"code.cpp"}},
        {"? is one character", "\"sub/日本語のファイル?.txt\"", 0, {"日本語のファイル名.txt"}, {}},
        {"folder name takes the folder",
         "sub -d1",
         0,
         {"sub/deeper/zeros.bin", "sub/with space.txt"},
         {"readme.txt"}},
        {"folder name without -d1 takes its files", "sub", 0, {"with space.txt"}, {"zeros.bin"}},
        {"missing file", "nosuch.txt", 3, {}, {}},
        {"nothing matches", "\"*.none\"", 4, {}, {}},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string archive = dir / ("dst/sel" + std::to_string(n++) + ".lzh");
        auto r = call("a \"" + archive + "\" \"" + dir / "src/" + "\" " + row.args);
        EXPECT_EQ(r.code, row.code) << r.output;
        if (row.code != 0) {
            EXPECT_FALSE(exists(archive));
            continue;
        }
        std::string listing = call("l \"" + archive + "\"").output;
        for (const std::string& m : row.members)
            EXPECT_NE(listing.find(" " + m + "\n"), std::string::npos) << m << "\n" << listing;
        for (const std::string& m : row.notMembers)
            EXPECT_EQ(listing.find(" " + m + "\n"), std::string::npos) << m << "\n" << listing;
    }
}

TEST_F(ArchiveTest, FailureLeavesTheOldArchive) {
    const std::string archive = dir / "dst/keep.lzh";
    ASSERT_EQ(call("u \"" + archive + "\" \"" + dir / "src/" + "\" -d1").code, 0);
    const std::string original = readFile(archive);
    struct Row {
        const char* name;
        std::function<bool()> prepare; // false: the case cannot be made here
        int code;
    };
    const Row rows[] = {
        {"folder deeper than the longest path the system takes",
         [&] {
             int fd = ::open((dir / "src").c_str(), O_RDONLY | O_DIRECTORY);
             const std::string name(200, 'D');
             for (int i = 0; i < 22 && fd >= 0; ++i) {
                 ::mkdirat(fd, name.c_str(), 0755);
                 const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
                 ::close(fd);
                 fd = next;
             }
             const bool made =
                 fd >= 0 && ::close(::openat(fd, "lost.txt", O_CREAT | O_WRONLY, 0644)) == 0;
             ::close(fd);
             return made;
         },
         5},
        {"archive that nobody may write",
         [&] {
             run("rm -rf '" + dir / "src" + "/" + std::string(200, 'D') + "'");
             return ::chmod(archive.c_str(), 0444) == 0;
         },
         5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.prepare())
            continue;
        auto r = call("u \"" + archive + "\" \"" + dir / "src/" + "\" -c-d1");
        EXPECT_EQ(r.code, row.code) << r.output;
        EXPECT_TRUE(readFile(archive) == original);
        // No temporary file is left beside it.
        EXPECT_EQ(run("ls -A '" + dir / "dst" + "'").output, "keep.lzh\n");
    }
    ::chmod(archive.c_str(), 0644);
    // A damaged archive is not overwritten either.
    std::string damaged = original.substr(0, original.size() / 2);
    writeFile(archive, damaged);
    EXPECT_EQ(call("u \"" + archive + "\" \"" + dir / "src/" + "\" -c-d1").code, 6);
    EXPECT_TRUE(readFile(archive) == damaged);
}

TEST_F(ArchiveTest, UpdateRefusesAFileItCannotRewriteWhole) {
    // A rewrite keeps only the members it read: whatever else the file held would be lost.
    const std::string archive = dir / "dst/two.lzh";
    ASSERT_EQ(call("u \"" + archive + "\" \"" + dir / "src/" + "\" readme.txt code.cpp").code, 0);
    const std::string two = readFile(archive);
    const size_t second = (static_cast<uint8_t>(two[0]) | static_cast<uint8_t>(two[1]) << 8) +
                          (static_cast<uint8_t>(two[7]) | static_cast<uint8_t>(two[8]) << 8);
    ASSERT_EQ(two.compare(second + 2, 5, "-lh5-"), 0); // the second member's header
    std::string cut = two;
    cut[second] = '\0'; // reads as the end mark
    ASSERT_EQ(call("s \"" + archive + "\" \"" + dir / "dst/" + "\"").code, 0);
    struct Row {
        const char* name;
        std::string bytes;
        int code;
    } const rows[] = {
        {"a file that only begins with a zero byte", std::string("\0\0\0\x18 video", 10), 6},
        {"a member header after a lost first byte", cut, 6},
        {"damage before the first header", "XX" + two, 6},
        {"a self-extracting program", readFile(dir / "dst/two.run"), 6},
        {"an empty archive", std::string(1, '\0'), 0},
        {"nothing but zero bytes", std::string(64, '\0'), 0},
    };
    const std::string update = "u \"" + archive + "\" \"" + dir / "src/" + "\" empty.dat";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(archive, row.bytes);
        auto r = call(update);
        EXPECT_EQ(r.code, row.code) << r.output;
        if (row.code == 0)
            continue;
        EXPECT_TRUE(readFile(archive) == row.bytes);
        EXPECT_EQ(call("d \"" + archive + "\" readme.txt").code, row.code);
        EXPECT_TRUE(readFile(archive) == row.bytes);
    }
}

TEST_F(ArchiveTest, TimesBeyondTheHeaderKeepTheNearestEnd) {
    // A header holds 1970 to 2106; a time outside must not wrap round into another century.
    const std::string archive = dir / "dst/times.lzh";
    const std::string src = dir / "src/";
    setMtime(src + "readme.txt", -1000000000);         // 1938
    setMtime(src + "code.cpp", (1ll << 32) + 1000000); // 2106 and later
    const std::string update = "u \"" + archive + "\" \"" + src + "\" readme.txt code.cpp";
    ASSERT_EQ(call(update).code, 0);
    ASSERT_EQ(call("x \"" + archive + "\" \"" + dir / "out/" + "\"").code, 0);
    struct stat st;
    ASSERT_EQ(::stat((dir / "out/readme.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 0);
    ASSERT_EQ(::stat((dir / "out/code.cpp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 0xFFFFFFFF);
    EXPECT_EQ(call(update).output, "archive is up to date\n");
    setMtime(src + "readme.txt", 1000000000); // changed in 2001: newer than what is stored
    EXPECT_EQ(call(update).output, "replaced readme.txt\n0 added, 1 replaced\n");
}

TEST_F(ArchiveTest, KilledUpdateLeavesNothingBehind) {
    const std::string archive = dir / "dst/keep.lzh";
    ASSERT_EQ(call("u \"" + archive + "\" \"" + dir / "src/" + "\" readme.txt").code, 0);
    const std::string original = readFile(archive);
    writeFile(dir / "big/big.bin", mixedBytes(16 << 20, 3)); // takes a while to compress
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(UNLHA_TOOL, "unlha", "u", archive.c_str(), (dir / "big/").c_str(), nullptr);
        ::_exit(127);
    }
    // Killed once it holds the new archive open: a file in dst/ other than the old archive.
    auto writing = [&] {
        std::error_code e;
        for (const auto& fd :
             std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", e)) {
            const std::string file = std::filesystem::read_symlink(fd.path(), e).string();
            if (file.rfind(dir / "dst/", 0) == 0 && file != archive)
                return true;
        }
        return false;
    };
    bool seen = false;
    for (int i = 0; i < 5000 && !(seen = writing()); ++i)
        ::usleep(1000);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(seen);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the update ended before it could be killed";
    EXPECT_EQ(run("ls -A '" + dir / "dst" + "'").output, "keep.lzh\n");
    EXPECT_TRUE(readFile(archive) == original);
}

TEST_F(ArchiveTest, ModesOfNewAndRewrittenArchives) {
    // A new archive is made as any new file is, so the umask has its say; a rewritten one
    // keeps the mode the user gave it.
    const std::string archive = dir / "dst/modes.lzh";
    const mode_t saved = ::umask(027);
    const auto made = call("u \"" + archive + "\" \"" + dir / "src/" + "\" readme.txt");
    const auto sfx = call("s \"" + archive + "\" \"" + dir / "dst/" + "\"");
    ::umask(saved);
    ASSERT_EQ(made.code, 0) << made.output;
    ASSERT_EQ(sfx.code, 0) << sfx.output;
    struct stat st;
    ASSERT_EQ(::stat(archive.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(::stat((dir / "dst/modes.run").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    ::chmod(archive.c_str(), 0604);
    ASSERT_EQ(call("u \"" + archive + "\" \"" + dir / "src/" + "\" code.cpp").code, 0);
    ASSERT_EQ(::stat(archive.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
}

TEST_F(ArchiveTest, UpdatesThroughALinkReachTheFileItPointsToAndANewOneReplacesIt) {
    const std::string link = dir / "dst/link.lzh";
    ASSERT_EQ(call("u \"" + dir / "dst/real.lzh" + "\" \"" + dir / "src/" + "\" readme.txt").code,
              0);
    ASSERT_EQ(::symlink("real.lzh", link.c_str()), 0);
    for (const std::string& line : {"u \"" + link + "\" \"" + dir / "src/" + "\" code.cpp",
                                    "d \"" + link + "\" readme.txt"}) {
        auto r = call(line);
        EXPECT_EQ(r.code, 0) << line << "\n" << r.output;
    }
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    const std::string listing = call("l \"" + dir / "dst/real.lzh" + "\"").output;
    EXPECT_NE(listing.find(" code.cpp\n"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("readme.txt"), std::string::npos) << listing;
    EXPECT_EQ(run("ls -A '" + dir / "dst" + "'").output, "link.lzh\nreal.lzh\n");
    // A link to nothing is no archive to update: the new archive takes the link's place.
    const std::string dangling = dir / "dst/new.lzh";
    ASSERT_EQ(::symlink("made.lzh", dangling.c_str()), 0);
    ASSERT_EQ(call("u \"" + dangling + "\" \"" + dir / "src/" + "\" code.cpp").code, 0);
    EXPECT_EQ(run("ls -A '" + dir / "dst" + "'").output, "link.lzh\nnew.lzh\nreal.lzh\n");
}

TEST_F(ArchiveTest, TestPrintsNamesWithoutControlCharacters) {
    const std::string archive = dir / "dst/names.lzh";
    writeFile(dir / "ctl/bell\a and \x1b[2J.txt", "q7#Zk!"); // too short to shrink: stored
    ASSERT_EQ(call("u \"" + archive + "\" \"" + dir / "ctl/" + "\"").code, 0);
    std::string bytes = readFile(archive);
    const size_t data = bytes.find("q7#Zk!");
    ASSERT_NE(data, std::string::npos);
    bytes[data] ^= 0x01;
    writeFile(archive, bytes);
    auto t = call("t \"" + archive + "\"");
    EXPECT_EQ(t.code, 6);
    EXPECT_EQ(t.output.find_first_of("\a\x1b"), std::string::npos) << t.output;
    EXPECT_EQ(t.output.rfind("CRC error: bell? and ?[2J.txt\n1 tested, errors\n", 0), 0u)
        << t.output;
}

TEST_F(ArchiveTest, ExtractAndDelete) {
    const std::string archive = dir / "dst/x.lzh";
    // Modes are kept, but the owner may always write what is restored and enter its folders,
    // and the umask has its say.
    ::chmod((dir / "src/emptyfolder").c_str(), 0570);
    ::chmod((dir / "src/readme.txt").c_str(), 0462);
    setMtime(dir / "src/emptyfolder", 1200000000);
    ASSERT_EQ(call("u \"" + archive + "\" \"" + dir / "src/" + "\" -d1").code, 0);
    TempDir x, e;
    const mode_t umask = ::umask(022);
    ASSERT_EQ(call("x \"" + archive + "\" \"" + x.path() + "/\"").code, 0);
    ::umask(umask);
    EXPECT_EQ(run("diff -r '" + dir / "src" + "' '" + x.path() + "'").code, 0);
    struct stat st;
    ASSERT_EQ(::stat((x / "readme.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    ASSERT_EQ(::stat((x / "emptyfolder").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u) << "folder attributes kept";
    EXPECT_EQ(st.st_mtime, 1200000000);
    ASSERT_EQ(call("e \"" + archive + "\" \"" + e.path() + "/\" \"*.bin\"").code, 0);
    EXPECT_EQ(run("ls '" + e.path() + "'").output, "noise.bin\nzeros.bin\n");

    auto d = call("d \"" + archive + "\" \"*.bin\"");
    EXPECT_EQ(d.code, 0) << d.output;
    std::string listing = call("l \"" + archive + "\"").output;
    EXPECT_EQ(listing.find(".bin"), std::string::npos) << listing;
    EXPECT_NE(listing.find("code.cpp"), std::string::npos);
    if (haveTool("lhasa")) {
        EXPECT_EQ(run("lhasa t '" + archive + "'").code, 0);
    }
    EXPECT_EQ(call("d \"" + archive + "\"").code, 2) << "d needs names";
    EXPECT_EQ(call("d \"" + archive + "\" nosuch").code, 4);
    // A name that selects nothing, such as a target folder typed without its "/", is no
    // success: nothing was restored.
    for (const char* command : {"x", "e", "t", "l"}) {
        auto r = call(std::string(command) + " \"" + archive + "\" \"" + x.path() + "\"");
        EXPECT_EQ(r.code, 4) << command << ": " << r.output;
    }
}

TEST_F(ArchiveTest, ExtractionOverOldFilesReplacesOnlyWhatDecodedWhole) {
    const std::string archive = dir / "dst/x.lzh";
    ASSERT_EQ(call("u \"" + archive + "\" \"" + dir / "src/" + "\" -d1").code, 0);
    // noise.bin is stored as it is: a byte changed in its data fails only its CRC.
    std::string bytes = readFile(archive);
    const size_t at = bytes.find("noise.bin");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 5000] ^= 0x55;
    writeFile(archive, bytes);
    TempDir x;
    writeFile(x / "noise.bin", "the only good copy");
    writeFile(x / "readme.txt", "old");
    for (const char* old : {"noise.bin", "readme.txt"}) // older than their members, whatever
        setMtime(x / old, 1000000000);                  // second the clock passed meanwhile
    writeFile(dir / "outside.txt", "outside");
    ASSERT_EQ(::symlink((dir / "outside.txt").c_str(), (x / "code.cpp").c_str()), 0);
    auto r = call("x \"" + archive + "\" \"" + x.path() + "/\"");
    EXPECT_EQ(r.code, 6) << r.output;
    EXPECT_NE(r.output.find("noise.bin"), std::string::npos) << r.output;
    EXPECT_EQ(readFile(x / "noise.bin"), "the only good copy") << "kept, not lost";
    EXPECT_EQ(readFile(x / "readme.txt"), "hello\n") << "the others still restored";
    EXPECT_EQ(readFile(x / "code.cpp"), readFile(dir / "src/code.cpp"));
    EXPECT_EQ(readFile(dir / "outside.txt"), "outside") << "a link is replaced, not written";
    EXPECT_EQ(run("ls -A '" + x.path() + "' | grep -c unlha").output, "0\n") << "no leftovers";
}

TEST_F(ArchiveTest, SelfExtractingArchive) {
    const std::string archive = dir / "dst/data.lzh";
    ASSERT_EQ(call("u \"" + archive + "\" \"" + dir / "src/" + "\" -d1").code, 0);
    auto s = call("s \"" + archive + "\" \"" + dir / "dst/" + "\" -gw");
    ASSERT_EQ(s.code, 0) << s.output;
    struct stat st;
    ASSERT_EQ(::stat((dir / "dst/data.run").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    TempDir here;
    RunResult r = run("cd '" + here.path() + "' && '" + dir / "dst/data.run" + "'");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("sub/deeper/zeros.bin"), std::string::npos) << r.output;
    EXPECT_EQ(run("diff -r '" + dir / "src" + "' '" + here.path() + "'").code, 0);
    EXPECT_EQ(call("s \"" + dir / "dst/none.lzh" + "\" \"" + dir / "dst/" + "\" -gw").code, 3);
    // Nothing but an archive from its first byte is wrapped: the extractor would not find it.
    writeFile(dir / "dst/zero.lzh", std::string("\0\0junk", 6));
    ::mkdir((dir / "out").c_str(), 0755);
    for (const std::string& given : {dir / "dst/data.run", dir / "dst/zero.lzh"}) {
        EXPECT_EQ(call("s \"" + given + "\" \"" + dir / "out/" + "\"").code, 6) << given;
        EXPECT_TRUE(std::filesystem::is_empty(dir / "out"));
    }
}

// A file too large for a member (as one that cannot be read) is left out and named, with a
// code of its own; everything else is archived.
TEST_F(ArchiveTest, LeavesOutFilesItCannotTake) {
    const std::string archive = dir / "dst/part.lzh";
    const std::string base = dir / "src/";
    const int fd = ::open((base + "huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(::ftruncate(fd, (1ll << 32) + 10), 0);
    ::close(fd);
    ASSERT_EQ(::mkfifo((base + "pipe").c_str(), 0644), 0);
    auto r = call("u \"" + archive + "\" \"" + base + "\" -d1");
    EXPECT_EQ(r.code, 11) << r.output;
    EXPECT_NE(r.output.find("4 GiB 以上なので書庫に入れませんでした: huge.bin"), std::string::npos);
    EXPECT_NE(r.output.find("読み込めないので書庫に入れませんでした: pipe"), std::string::npos)
        << r.output;
    const std::string listing = call("l \"" + archive + "\"").output;
    EXPECT_NE(listing.find("readme.txt"), std::string::npos) << listing;
    EXPECT_EQ(run("lhasa t '" + archive + "'").code, 0);

    // A file whose reading gives other bytes than its size promised (it shrank meanwhile; a
    // file of /sys always gives fewer) keeps the member the archive holds.
    const std::string shrinking = "/sys/devices/system/cpu/online";
    if (!exists(shrinking))
        GTEST_SKIP() << shrinking << " is not there";
    TempDir old;
    writeFile(old / "online", "old member\n");
    setMtime(old / "online", 1000000000);
    ASSERT_EQ(call("a \"" + archive + "\" \"" + old.path() + "/\" online").code, 0);
    r = call("u \"" + archive + "\" /sys/devices/system/cpu/ online");
    EXPECT_EQ(r.code, 11) << r.output;
    EXPECT_NE(r.output.find("読み込み中に変わったので書庫に入れませんでした: online"),
              std::string::npos)
        << r.output;
    TempDir out;
    ASSERT_EQ(call("x \"" + archive + "\" \"" + out.path() + "/\" online").code, 0);
    EXPECT_EQ(readFile(out / "online"), "old member\n");
}

// An MS-DOS time stamp keeps even seconds only: the file a member came from is not newer than
// the member within the same two seconds, and u leaves it alone.
TEST_F(ArchiveTest, UpdateComparesMsDosTimesInTwoSecondSteps) {
    const std::string archive = dir / "dst/h0.lzh", base = dir / "old/";
    std::filesystem::copy_file(std::string(UNLHA_TESTDATA) + "/peers/explzh_723/h0_lh5.lzh",
                               archive);
    ASSERT_EQ(call("x \"" + archive + "\" \"" + base + "\"").code, 0);
    struct stat member;
    ASSERT_EQ(::stat((base + "gpl-2").c_str(), &member), 0);
    // One second later is the same step; two seconds later is newer.
    for (const auto& [later, report] : {std::pair{1, "up to date"}, {2, "replaced gpl-2"}}) {
        setMtime(base + "gpl-2", member.st_mtime + later);
        auto r = call("u \"" + archive + "\" \"" + base + "\" gpl-2");
        EXPECT_NE(r.output.find(report), std::string::npos) << r.output;
    }
}

TEST_F(ArchiveTest, UpdatesAnArchiveJlhaWrote) {
    if (!haveTool("jlha") || !haveTool("lhasa"))
        GTEST_SKIP() << "jlha or lhasa is not installed";
    const std::string archive = dir / "dst/j.lzh";
    run("cd '" + dir / "src" + "' && jlha ao5 '" + archive + "' readme.txt code.cpp");
    ASSERT_TRUE(exists(archive));
    writeFile(dir / "src/later.txt", "added later\n");
    auto r = call("u \"" + archive + "\" \"" + dir / "src/" + "\" later.txt");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(run("lhasa t '" + archive + "'").code, 0);
    TempDir out;
    ASSERT_EQ(call("x \"" + archive + "\" \"" + out.path() + "/\"").code, 0);
    for (const char* f : {"readme.txt", "code.cpp", "later.txt"})
        EXPECT_TRUE(readFile(out / f) == readFile(dir / "src" + "/" + f)) << f;
}

// Names a POSIX file system allows come back from a, x and l as they were. Japanese names are
// stored in CP932 (second bytes 0x5C included), a name outside CP932 as its UTF-8 bytes, and
// one that is no text at all as its bytes, 0xFF too; lhasa finds the archive sound, and jlha
// reads the Japanese names.
TEST_F(ArchiveTest, NamesRoundTrip) {
    // An extended header as stored: its size (type, data and the next size), type and data.
    auto field = [](char type, const std::string& data) {
        size_t n = data.size() + 3;
        return std::string{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8), type} + data;
    };
    const std::string ff = "byte\xFF";
    const struct {
        std::string path, stored; // stored: a name or folder field the archive must hold
    } rows[] = {
        {"back\\slash.txt", field(1, "back\\slash.txt")},
        {ff + "/" + ff + ".bin", field(1, ff + "/" + ff + ".bin")},
        {"space 'single' \"double\".txt", field(1, "space 'single' \"double\".txt")},
        {"new\nline.txt", field(1, "new\nline.txt")},
        {"ソフト/表/能力.txt", field(1, cp932("能力.txt"))},
        {"ソフト/表/能力.txt", field(2, cp932("ソフト") + "\xFF" + cp932("表") + "\xFF")},
        {"한국어.txt", field(1, "한국어.txt")},
    };
    TempDir src, out;
    for (const auto& row : rows)
        writeFile(src / row.path, "x");
    // 41 names whose headers cross 256 bytes, where one of them needs its padding byte.
    std::vector<std::string> longNames;
    for (size_t n = 190; n <= 230; ++n)
        writeFile(src / longNames.emplace_back("long/" + std::string(n, 'L')), "y");
    const std::string archive = dir / "dst/names.lzh";
    auto a = call("a \"" + archive + "\" \"" + src.path() + "/\" -d1");
    ASSERT_EQ(a.code, 0) << a.output;
    const std::string bytes = readFile(archive);
    for (const auto& row : rows)
        EXPECT_NE(bytes.find(row.stored), std::string::npos) << row.path;
    EXPECT_EQ(bytes.find("能力"), std::string::npos) << "stored in CP932, not UTF-8";
    auto x = call("x \"" + archive + "\" \"" + out.path() + "/\"");
    EXPECT_EQ(x.code, 0) << x.output;
    RunResult diff = run("diff -r '" + src.path() + "' '" + out.path() + "'");
    EXPECT_EQ(diff.code, 0) << diff.output;
    std::string listing = call("l \"" + archive + "\"").output;
    for (const char* listed : {" back\\slash.txt\n", " ソフト/表/能力.txt\n", " 한국어.txt\n"})
        EXPECT_NE(listing.find(listed), std::string::npos) << listed << "\n" << listing;
    for (const std::string& name : longNames)
        EXPECT_NE(listing.find(" " + name + "\n"), std::string::npos) << name.size();
    if (haveTool("lhasa")) {
        RunResult t = run("lhasa t '" + archive + "'");
        EXPECT_EQ(t.code, 0) << t.output;
    }
    if (haveTool("jlha")) { // a reader that converts Shift_JIS names, as those on Windows do
        TempDir j;
        run("cd '" + j.path() + "' && jlha xy '" + archive + "'");
        EXPECT_EQ(readFile(j / "ソフト/表/能力.txt"), "x");
    }
}

TEST_F(ArchiveTest, OutputBufferAndErrors) {
    struct Row {
        const char* line;
        uint32_t size;
        int code;
    };
    const Row rows[] = {
        {"z a.lzh", 10, 2},
        {"u a.lzh src/ -q", 10, 2},
        {"l /nonexistent/a.lzh", 10, 3},
        {"l /nonexistent/a.lzh", 1, 3},
        {"", 4, 2},
    };
    for (const Row& row : rows) {
        auto r = lib.call(row.line, row.size);
        EXPECT_EQ(r.code, row.code) << row.line;
        EXPECT_LT(r.output.size(), row.size) << "zero-terminated within the buffer";
    }
    void* h = ::dlopen(UNLHA_LIBRARY, RTLD_NOW);
    auto direct = reinterpret_cast<UnlhaLibrary::Entry>(::dlsym(h, "Unlha"));
    EXPECT_EQ(direct(nullptr, "l /nonexistent/a.lzh", nullptr, 0), 3);
    EXPECT_EQ(direct(nullptr, nullptr, nullptr, 0), 2);
    ::dlclose(h);
}

TEST(Library, ExportsOnlyTheEntryPointAndUnloads) {
    RunResult syms =
        run(std::string("nm -D --defined-only '") + UNLHA_LIBRARY + "' | awk '{print $3}'");
    EXPECT_EQ(syms.output, "Unlha\n");
    {
        UnlhaLibrary lib;
        ASSERT_TRUE(lib.loaded());
        EXPECT_EQ(lib.call("l /nonexistent.lzh").code, 3);
    }
    EXPECT_EQ(::dlopen(UNLHA_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
}

TEST(Library, TwoThreadsAtOnce) {
    UnlhaLibrary lib;
    TempDir dir;
    makeTree(dir / "a");
    makeTree(dir / "b");
    int codes[2] = {-1, -1};
    std::thread one([&] {
        codes[0] = lib.call("u \"" + dir / "one.lzh" + "\" \"" + dir / "a/" + "\" -d1 -o7").code;
    });
    std::thread two([&] {
        codes[1] = lib.call("u \"" + dir / "two.lzh" + "\" \"" + dir / "b/" + "\" -d1").code;
    });
    one.join();
    two.join();
    EXPECT_EQ(codes[0], 0);
    EXPECT_EQ(codes[1], 0);
    EXPECT_EQ(lib.call("t \"" + dir / "one.lzh" + "\"").code, 0);
    EXPECT_EQ(lib.call("t \"" + dir / "two.lzh" + "\"").code, 0);
}

TEST(FrontEnd, PassesItsArgumentsThrough) {
    TempDir dir;
    writeFile(dir / "src/with space.txt", "spaced\n");
    writeFile(dir / "src/other.txt", "other\n");
    const std::string tool = UNLHA_TOOL;
    const std::string archive = dir / "a b.lzh";
    RunResult u =
        run("'" + tool + "' u '" + archive + "' '" + dir / "src/" + "' 'with space.txt' -d1");
    EXPECT_EQ(u.code, 0) << u.output;
    RunResult l = run("'" + tool + "' l '" + archive + "'");
    EXPECT_EQ(l.code, 0);
    EXPECT_NE(l.output.find("with space.txt"), std::string::npos) << l.output;
    EXPECT_EQ(l.output.find("other.txt"), std::string::npos) << l.output;
    EXPECT_EQ(run("'" + tool + "' u '" + archive + "' -x").code, 2);
    EXPECT_EQ(run("'" + tool + "'").code, 2);
}

// Restoring keeps work newer than the archive and files their owner protected, says so and
// returns its own code; -c overwrites them.
TEST_F(ArchiveTest, ExtractionKeepsNewerAndReadOnlyFiles) {
    const std::string archive = dir / "dst/r.lzh", out = dir / "out/";
    ASSERT_EQ(call("a \"" + archive + "\" \"" + dir / "src/" + "\" readme.txt empty.dat").code, 0);
    writeFile(out + "readme.txt", "newer work");
    writeFile(out + "empty.dat", "protected");
    setMtime(out + "readme.txt", ::time(nullptr) + 3600);
    ::chmod((out + "empty.dat").c_str(), 0444);
    auto r = call("x \"" + archive + "\" \"" + out + "\"");
    EXPECT_EQ(r.code, 10) << r.output;
    EXPECT_NE(r.output.find("readme.txtは新しいので展開しません"), std::string::npos) << r.output;
    EXPECT_EQ(readFile(out + "readme.txt") + readFile(out + "empty.dat"), "newer workprotected");
    EXPECT_EQ(call("x \"" + archive + "\" \"" + out + "\" -c").code, 0);
    EXPECT_EQ(readFile(out + "readme.txt") + readFile(out + "empty.dat"), "hello\n");
}

// A target holding a link to a folder outside is not written through (code 8).
TEST_F(ArchiveTest, ExtractionRefusesALinkToAFolderOutside) {
    const std::string archive = dir / "dst/deep.lzh", out = dir / "out";
    ASSERT_EQ(call("a \"" + archive + "\" \"" + dir / "src/" + "\" sub -d1").code, 0);
    ::mkdir(out.c_str(), 0755);
    ASSERT_EQ(::symlink((dir / "dst").c_str(), (out + "/sub").c_str()), 0);
    EXPECT_EQ(call("x \"" + archive + "\" \"" + out + "/\"").code, 8);
    EXPECT_EQ(run("ls -A '" + dir / "dst" + "'").output, "deep.lzh\n");
}

// A FIFO named like the archive is refused at once; reading it would wait for ever.
TEST_F(ArchiveTest, AFifoAsTheArchiveIsRefusedWithoutWaiting) {
    const std::string fifo = dir / "dst/pipe.lzh";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const trevane::test::FifoWatchdog watchdog(fifo);
    for (const char* command : {"l", "x", "u"})
        EXPECT_EQ(call(std::string(command) + " \"" + fifo + "\" \"" + dir / "src/\"").code, 5);
    EXPECT_FALSE(watchdog.released()) << "waited on the FIFO";
}
