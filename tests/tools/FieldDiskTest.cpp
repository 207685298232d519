// Runs the real xcopy onto the disks backups go to: exFAT and NTFS through FUSE, made on image
// files and mounted in the test's own mount namespace (support/FieldDisk.h).

#include "support/FieldDisk.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace trevane::test {
namespace {

namespace fs = std::filesystem;

const std::string kXcopy = XCOPY_PATH;
const std::string kUnlha = UNLHA_PATH;

void setTimeNs(const fs::path& path, long long seconds, long nanoseconds) {
    const struct timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds},
                                      {static_cast<time_t>(seconds), nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::string countLine(const std::string& output) {
    const auto end = output.rfind('\n');
    const auto start = output.rfind('\n', end - 1);
    return output.substr(start == std::string::npos ? 0 : start + 1, end - start - 1);
}

// A second /D run copies only what really changed, whatever the destination's file system
// keeps of the times; on a disk that keeps nanoseconds a fraction of a second still counts.
TEST(FieldDiskTest, SecondRunWithDCopiesOnlyRealChanges) {
    using Kind = FieldDisk::Kind;
    struct Row {
        const char* name;
        std::optional<Kind> disk;   // none: the temporary folder's own file system
        long sourceNs;              // fraction of the source file's second
        long long touchedAfter;     // seconds the source is changed by before the second run
        std::optional<long> copyNs; // the copy's fraction set before the second run
        const char* secondRun;
    };
    const long long t = 1700000000;
    const std::vector<Row> rows = {
        {"same disk, .6 s over .2 s",
         {},
         600000000,
         0,
         200000000,
         "1 個のファイルをコピーしました"},
        {"exFAT keeps whole seconds",
         Kind::Exfat,
         600000000,
         0,
         {},
         "0 個のファイルをコピーしました"},
        {"exFAT, a real change", Kind::Exfat, 600000000, 60, {}, "1 個のファイルをコピーしました"},
        {"NTFS keeps 100 ns", Kind::Ntfs, 123456789, 0, {}, "0 個のファイルをコピーしました"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.disk)
            if (const std::string why = FieldDisk::unavailable(*row.disk); !why.empty())
                GTEST_SKIP() << why;
        TempFolder tmp;
        std::optional<FieldDisk> disk;
        if (row.disk) {
            disk.emplace(*row.disk, (tmp / "disk.img").string(), (tmp / "stick").string());
            ASSERT_TRUE(disk->mounted());
        }
        const fs::path target = tmp / "stick/backup";
        writeFile(tmp / "src/a.txt", "a");
        setTimeNs(tmp / "src/a.txt", t, row.sourceNs);
        const std::vector<std::string> args = {"src", target.string(), "/D/Y/I"};
        const ToolRun how{tmp.path(), {}};
        ASSERT_EQ(countLine(runTool(kXcopy, args, how).output), "1 個のファイルをコピーしました");
        if (row.touchedAfter)
            setTimeNs(tmp / "src/a.txt", t + row.touchedAfter, row.sourceNs);
        if (row.copyNs)
            setTimeNs(target / "a.txt", t, *row.copyNs);
        const ToolResult second = runTool(kXcopy, args, how);
        EXPECT_EQ(second.exitCode, 0) << second.output;
        EXPECT_EQ(countLine(second.output), row.secondRun);
    }
}

// A sparse file (a disk image) stays sparse through a copy and through an archive's
// extraction: its holes are not written out as zeros.
TEST(FieldDiskTest, HolesStayHoles) {
    TempFolder tmp;
    const off_t size = 64 << 20;
    {
        writeFile(tmp / "src/image", "");
        const int fd = ::open((tmp / "src/image").c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "start", 5, 0), 5);
        ASSERT_EQ(::pwrite(fd, "middle", 6, size / 2), 6);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    const ToolRun how{tmp.path(), {}};
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> commands; // program and arguments
        const char* copy;
    } rows[] = {
        {"xcopy", {{kXcopy, "src", "copied", "/Y/I"}}, "copied/image"},
        {"archive, then extract",
         {{kUnlha, "a", "image.lzh", "src/", "image"}, {kUnlha, "x", "image.lzh", "out/"}},
         "out/image"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto& command : row.commands) {
            const ToolResult result =
                runTool(command[0], {command.begin() + 1, command.end()}, how);
            ASSERT_EQ(result.exitCode, 0) << result.output;
        }
        struct stat st;
        ASSERT_EQ(::stat((tmp / row.copy).c_str(), &st), 0);
        EXPECT_EQ(st.st_size, size);
        EXPECT_LT(st.st_blocks * 512, 1 << 20) << "holes were written out";
        EXPECT_TRUE(readFile(tmp / row.copy) == readFile(tmp / "src/image"));
    }
}

// Names exFAT refuses, and two names it folds into one, fail their file with the reason; with
// /C the other files are still copied, without it the copy stops there.
TEST(FieldDiskTest, NamesTheDiskRefusesFailWithTheReason) {
    if (const std::string why = FieldDisk::unavailable(FieldDisk::Kind::Exfat); !why.empty())
        GTEST_SKIP() << why;
    TempFolder tmp;
    FieldDisk disk(FieldDisk::Kind::Exfat, (tmp / "disk.img").string(), (tmp / "stick").string());
    ASSERT_TRUE(disk.mounted());
    for (const char* name : {"A.txt", "a.txt", "a:b.txt", "ok.txt", "trail."})
        writeFile(tmp / "src" / name, name);
    const std::string folded =
        "大文字と小文字の違いしかない名前 (A.txt) と同じファイルになります - src/a.txt\n";
    const struct {
        const char* switches;
        std::vector<std::string> copied;
        std::string output;
    } rows[] = {
        {"/Y/I/C",
         {"A.txt", "ok.txt"},
         "src/A.txt\n" + folded +
             "コピー先のファイルシステムでは名前に使えない文字 (: * ? \" < > | \\ など) があります "
             "- "
             "src/a:b.txt\nsrc/ok.txt\n"
             "コピー先のファイルシステムでは名前の末尾にピリオドや空白を置けません - src/trail.\n"
             "2 個のファイルをコピーしました\n"},
        {"/Y/I", {"A.txt"}, "src/A.txt\n" + folded + "1 個のファイルをコピーしました\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.switches);
        const fs::path target = tmp / "stick" / std::to_string(&row - rows);
        const ToolResult result =
            runTool(kXcopy, {"src", target.string(), row.switches}, ToolRun{tmp.path(), {}});
        EXPECT_EQ(result.exitCode, 5);
        EXPECT_EQ(result.output, row.output);
        EXPECT_EQ(listTree(target), row.copied);
    }
}

// What a disk cannot keep (permission bits on exFAT, links) fails no copy and is told in one
// line; on a disk that keeps everything nothing is said.
TEST(FieldDiskTest, WhatTheDiskCannotKeepIsToldInOneLine) {
    using Kind = FieldDisk::Kind;
    const struct {
        const char* name;
        std::optional<Kind> disk;
        std::string output;
    } rows[] = {
        {"same disk", {}, "src/f\nsrc/link\n2 個のファイルをコピーしました\n"},
        {"exFAT", Kind::Exfat,
         "src/f\nコピー先のファイルシステムが保持できないもの: アクセス権 (1 個のファイル) "
         "シンボリックリンク (1 個、コピーしませんでした)\n1 個のファイルをコピーしました\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.disk)
            if (const std::string why = FieldDisk::unavailable(*row.disk); !why.empty())
                GTEST_SKIP() << why;
        TempFolder tmp;
        std::optional<FieldDisk> disk;
        if (row.disk) {
            disk.emplace(*row.disk, (tmp / "disk.img").string(), (tmp / "stick").string());
            ASSERT_TRUE(disk->mounted());
        }
        writeFile(tmp / "src/f", "f");
        fs::permissions(tmp / "src/f", fs::perms(0640));
        fs::create_symlink("f", tmp / "src/link");
        const ToolResult result = runTool(kXcopy, {"src", (tmp / "stick/dst").string(), "/Y/I/K"},
                                          ToolRun{tmp.path(), {}});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, row.output);
    }
}

} // namespace
} // namespace trevane::test
