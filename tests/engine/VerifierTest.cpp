// The verification of copy and archive rows on real trees: copies made by the program's xcopy,
// archives by its archiver library, then changed the ways a backup goes wrong or stays right.
#include "support/FieldDisk.h"
#include "support/TempDir.h"

#include "engine/ArchiveVerifier.h"
#include "engine/CopyVerifier.h"
#include "engine/UnlhaLibrary.h"
#include "platform/ProcessSpawner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <sys/stat.h>

using namespace trevane;
using namespace trevane::test;
namespace fs = std::filesystem;

namespace {

const std::string binFolder = HELPER_FOLDER;

// Gives a file other bytes and gives it back its modification time.
void rewriteKeepingTime(const std::string& path, const std::string& bytes) {
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    writeFile(path, bytes);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Rewrites a file's bytes and gives it back its size and modification time.
void changeKeepingSizeAndTime(const std::string& path) {
    std::string bytes = readFile(path);
    bytes[bytes.size() / 2] ^= 0x20;
    rewriteKeepingTime(path, bytes);
}

void setTime(const std::string& path, std::time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// src: a.txt, b.txt, sub/c.txt (100 KB), .dot (never copied without /H), all of 2020.
std::string makeSource(const TempDir& dir) {
    const std::string src = dir / "src";
    fs::create_directories(src + "/sub");
    writeFile(src + "/a.txt", "alpha\n");
    writeFile(src + "/b.txt", "bravo\n");
    std::string big;
    for (int i = 0; big.size() < 100000; ++i)
        big += "line " + std::to_string(i * 7919 % 1000) + "\n";
    writeFile(src + "/sub/c.txt", big);
    writeFile(src + "/.dot", "hidden");
    for (const char* name : {"/a.txt", "/b.txt", "/sub/c.txt", "/.dot"})
        setTime(src + name, 1600000000);
    return src;
}

struct Row {
    const char* name;
    std::function<void(const std::string& src, const std::string& backup)> change;
    std::vector<std::string> differences; // below src
    long files;
    bool itself = false; // the destination is the source folder: nothing can be verified
    std::optional<FieldDisk::Kind> disk = {}; // the destination's disk, else the source's
};

void expectReport(const std::optional<VerifyReport>& report, const Row& row,
                  const std::string& src) {
    ASSERT_TRUE(report.has_value());
    std::vector<std::string> expected;
    for (const std::string& name : row.differences)
        expected.push_back(src + "/" + name);
    EXPECT_EQ(report->differences, expected);
    EXPECT_EQ(report->files, row.files);
}

TEST(VerifierTest, CopyRowsCompareEveryCoveredFile) {
    const auto none = [](const std::string&, const std::string&) {};
    const Row rows[] = {
        {"/Y/D/S/I/K/R", none, {}, 3},
        {"/Y/D/S/I/K/R",
         [](const std::string& src, const std::string&) {
             changeKeepingSizeAndTime(src + "/sub/c.txt");
         },
         {"sub/c.txt"},
         3},
        {"/Y/D/S/I/K/R",
         [](const std::string&, const std::string& dst) {
             changeKeepingSizeAndTime(dst + "/a.txt");
         },
         {"a.txt"},
         3},
        {"/Y/D/S/I/K/R", // a change the next run copies is no difference
         [](const std::string& src, const std::string&) { writeFile(src + "/a.txt", "newer"); },
         {},
         2},
        {"/Y/D/S/I/K/R",
         [](const std::string&, const std::string& dst) { fs::remove(dst + "/b.txt"); },
         {"b.txt"},
         3},
        {"/Y/D/I/K/R", // without /S the subfolder is no part of the row
         [](const std::string&, const std::string& dst) { fs::remove_all(dst + "/sub"); },
         {},
         2},
        {"/Y/S/D:2021-01-01", // older than the date: left out
         [](const std::string& src, const std::string& dst) {
             fs::remove(dst + "/a.txt");
             writeFile(src + "/b.txt", "brave\n");
             setTime(src + "/b.txt", 1700000000);
             setTime(dst + "/b.txt", 1700000000);
         },
         {"b.txt"},
         1},
        {"/Y/D/S/I/K/R", // the backup grew past the source's bytes
         [](const std::string&, const std::string& dst) {
             rewriteKeepingTime(dst + "/b.txt", "bravo\nand more");
         },
         {"b.txt"},
         3},
        {"/Y/D/S/I/K/R", // the source itself under another name: a bind mount
         [](const std::string& src, const std::string& dst) {
             fs::remove_all(dst);
             fs::create_directory(dst);
             ASSERT_EQ(std::system(("mount --bind '" + src + "' '" + dst + "'").c_str()), 0);
         },
         {},
         0,
         true},
        {"/Y/D/S/I/K/R", // exFAT through FUSE keeps whole seconds of source times with a fraction
         [](const std::string&, const std::string& dst) {
             changeKeepingSizeAndTime(dst + "/a.txt");
         },
         {"a.txt"},
         3,
         false,
         FieldDisk::Kind::Exfat},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name + std::string(" ") + std::to_string(&row - rows));
        // Mounting needs root and a mount namespace (and FUSE); the other rows still run.
        if ((row.disk || row.itself) &&
            !FieldDisk::unavailable(row.disk.value_or(FieldDisk::Kind::Tmpfs)).empty())
            continue;
        TempDir dir;
        const std::string src = makeSource(dir);
        const std::string dst = dir / "dst";
        std::optional<FieldDisk> disk;
        if (row.disk) {
            disk.emplace(*row.disk, dir / "disk.img", dst);
            ASSERT_TRUE(disk->mounted());
            for (const char* name : {"/a.txt", "/b.txt", "/sub/c.txt"}) {
                const struct timespec t[2] = {{1600000000, 600000000}, {1600000000, 600000000}};
                ASSERT_EQ(::utimensat(AT_FDCWD, (src + name).c_str(), t, 0), 0);
            }
        }
        auto spawner = ProcessSpawner::createNative(binFolder);
        ASSERT_EQ(spawner->run("xcopy \"" + src + "\" \"" + dst + "\" /Y/S/I/K/R", 0, {}).exitCode,
                  0);
        row.change(src, dst);
        const auto report = CopyVerifier::verify({src, dst, row.name});
        if (row.itself) {
            EXPECT_EQ(std::system(("umount '" + dst + "'").c_str()), 0);
        }
        ASSERT_TRUE(report.has_value());
        expectReport(report, row, src);
        EXPECT_EQ(report->unverifiable, row.itself ? std::vector{dst} : std::vector<std::string>{});
        if (row.differences.empty())
            continue;
        // A copy found damaged is older than its source now: the row's next run copies it.
        ASSERT_EQ(
            spawner->run("xcopy \"" + src + "\" \"" + dst + "\" " + row.name, 0, {}).exitCode, 0);
        EXPECT_EQ(CopyVerifier::verify({src, dst, row.name})->differences,
                  std::vector<std::string>{});
    }
}

TEST(VerifierTest, ExcludedFilesAreNoPartOfTheRow) {
    TempDir dir;
    const std::string src = makeSource(dir);
    const std::string dst = dir / "dst";
    auto spawner = ProcessSpawner::createNative(binFolder);
    ASSERT_EQ(spawner->run("xcopy \"" + src + "/*.txt\" \"" + dst + "\" /Y/I/K", 0, {}).exitCode,
              0);
    writeFile(dir / "exclude.txt", "/sub/\n");
    const Row row{"", nullptr, {}, 2};
    expectReport(CopyVerifier::verify({src + "/*.txt", dst, "/Y/S/EXCLUDE:" + dir / "exclude.txt"}),
                 row, src);
}

TEST(VerifierTest, ArchiveRowsDecodeEveryMember) {
    const auto none = [](const std::string&, const std::string&) {};
    const Row rows[] = {
        {"-d1", none, {}, 4},
        {"-d1",
         [](const std::string& src, const std::string&) {
             changeKeepingSizeAndTime(src + "/sub/c.txt");
         },
         {"sub/c.txt"},
         4},
        {"-d1",
         [](const std::string& src, const std::string&) {
             writeFile(src + "/a.txt", "newer");
             writeFile(src + "/new.txt", "not archived yet");
         },
         {"new.txt"},
         4},
        {"-d1", // a byte of the stored data rotted
         [](const std::string&, const std::string& archive) {
             std::string bytes = readFile(archive);
             bytes[bytes.size() - 40] ^= 0x01;
             writeFile(archive, bytes);
         },
         {"sub/c.txt"},
         4},
        {"", // without -d1 only the base folder's own files
         [](const std::string& src, const std::string&) {
             changeKeepingSizeAndTime(src + "/sub/c.txt");
         },
         {},
         3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(&row - rows));
        TempDir dir;
        const std::string src = makeSource(dir);
        const std::string archive = dir / "save.lzh";
        const std::string command = "u \"" + archive + "\" \"" + src + "/\" " + row.name;
        UnlhaLibrary library(UnlhaLibrary::beside(binFolder));
        ASSERT_EQ(library.callUnlha(command).code, 0);
        row.change(src, archive);
        expectReport(ArchiveVerifier::verify(command), row, src);
    }
}

} // namespace
