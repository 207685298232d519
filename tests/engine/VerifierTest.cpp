// The verification of copy and archive rows on real trees: copies made by the program's xcopy,
// archives by its archiver library, then changed the ways a backup goes wrong or stays right.
#include "support/TempDir.h"

#include "engine/ArchiveVerifier.h"
#include "engine/CopyVerifier.h"
#include "engine/UnlhaLibrary.h"
#include "platform/ProcessSpawner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace trevane;
using namespace trevane::test;
namespace fs = std::filesystem;

namespace {

const std::string binFolder = HELPER_FOLDER;

// Rewrites a file's bytes and gives it back its size and modification time.
void changeKeepingSizeAndTime(const std::string& path) {
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    std::string bytes = readFile(path);
    bytes[bytes.size() / 2] ^= 0x20;
    writeFile(path, bytes);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
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
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name + std::string(" ") + std::to_string(&row - rows));
        TempDir dir;
        const std::string src = makeSource(dir);
        const std::string dst = dir / "dst";
        auto spawner = ProcessSpawner::createNative(binFolder);
        ASSERT_EQ(spawner->run("xcopy \"" + src + "\" \"" + dst + "\" /Y/S/I/K/R", 0, {}).exitCode,
                  0);
        row.change(src, dst);
        expectReport(CopyVerifier::verify({src, dst, row.name}), row, src);
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
