// Runs the real xcopy (and the archiver) onto the disks backups go to: exFAT and NTFS through
// FUSE on image files, mounted in the test's own mount namespace (support/FieldDisk.h).

#include "support/FieldDisk.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace trevane::test {
namespace {

namespace fs = std::filesystem;
using Kind = FieldDisk::Kind;

// A temporary folder whose "stick" is, when a kind is given, a disk of that kind.
struct Place {
    explicit Place(std::optional<Kind> kind) {
        if (kind)
            disk.emplace(*kind, (tmp / "disk.img").string(), (tmp / "stick").string());
    }
    ToolResult xcopy(const std::vector<std::string>& args) {
        return runTool(XCOPY_PATH, args, ToolRun{tmp.path(), {}});
    }
    TempFolder tmp;
    std::optional<FieldDisk> disk;
};

// Skips the test, saying why, where a disk of the row's kind cannot be mounted.
#define SKIP_WITHOUT(kind)                                                                         \
    if (kind)                                                                                      \
        if (const std::string why = FieldDisk::unavailable(*(kind)); !why.empty())                 \
    GTEST_SKIP() << why

void setTime(const fs::path& path, long long seconds, long nanoseconds) {
    const struct timespec t[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
}

// A second /D run copies only what really changed, whatever the disk keeps of the times; on
// a disk that keeps nanoseconds a fraction of a second still counts.
TEST(FieldDiskTest, SecondRunWithDCopiesOnlyRealChanges) {
    const struct {
        const char* name;
        std::optional<Kind> disk;
        long sourceNs;     // fraction of the source's second
        long long laterBy; // seconds the source changes by before the second run
        long copyNs;       // the copy's fraction before the second run (-1: as copied)
        bool copiedAgain;
    } rows[] = {
        {"same disk, .6 s over .2 s", {}, 600000000, 0, 200000000, true},
        {"same disk, .2 s over .6 s", {}, 200000000, 0, 600000000, false},
        {"exFAT keeps whole seconds", Kind::Exfat, 600000000, 0, -1, false},
        {"exFAT, a real change", Kind::Exfat, 600000000, 60, -1, true},
        {"NTFS keeps 100 ns", Kind::Ntfs, 123456789, 0, -1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SKIP_WITHOUT(row.disk);
        Place place(row.disk);
        writeFile(place.tmp / "src/a.txt", "a");
        setTime(place.tmp / "src/a.txt", 1700000000, row.sourceNs);
        const std::vector<std::string> args = {"src", "stick/b", "/D/Y/I"};
        ASSERT_EQ(place.xcopy(args).exitCode, 0);
        setTime(place.tmp / "src/a.txt", 1700000000 + row.laterBy, row.sourceNs);
        if (row.copyNs >= 0)
            setTime(place.tmp / "stick/b/a.txt", 1700000000, row.copyNs);
        EXPECT_EQ(place.xcopy(args).output, row.copiedAgain
                                                ? "src/a.txt\n1 個のファイルをコピーしました\n"
                                                : "0 個のファイルをコピーしました\n");
    }
}

// Names exFAT refuses, and two names it folds into one, fail their file with the reason; with
// /C the other files are still copied, without it the copy stops there.
TEST(FieldDiskTest, NamesTheDiskRefusesFailWithTheReason) {
    SKIP_WITHOUT(std::optional(Kind::Exfat));
    Place place(Kind::Exfat);
    for (const char* name : {"A.txt", "a.txt", "a:b.txt", "ok.txt", "trail."})
        writeFile(place.tmp / "src" / name, name);
    const std::string folded = "src/A.txt\n大文字と小文字の違いしかない名前 (A.txt) "
                               "と同じファイルになります - src/a.txt\n";
    const struct {
        const char* switches;
        std::vector<std::string> copied;
        std::string output;
    } rows[] = {
        {"/Y/I/C",
         {"A.txt", "ok.txt"},
         folded + "コピー先のファイルシステムでは名前に使えない文字 (: * ? \" < > | \\ など) "
                  "があります - "
                  "src/a:b.txt\nsrc/"
                  "ok.txt\nコピー先のファイルシステムでは名前の末尾にピリオドや空白を置けません - "
                  "src/trail.\n2 個のファイルをコピーしました\n"},
        {"/Y/I", {"A.txt"}, folded + "1 個のファイルをコピーしました\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.switches);
        const std::string target = "stick/" + std::to_string(&row - rows);
        const ToolResult result = place.xcopy({"src", target, row.switches});
        EXPECT_EQ(result.exitCode, 5);
        EXPECT_EQ(result.output, row.output);
        EXPECT_EQ(listTree(place.tmp / target), row.copied);
    }
}

// What a disk cannot keep (permission bits on exFAT, links) fails no copy and is told in one
// line; sparse files stay sparse through xcopy and through an archive's extraction.
TEST(FieldDiskTest, WhatTheDiskCannotKeepIsToldAndHolesStayHoles) {
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
        SKIP_WITHOUT(row.disk);
        Place place(row.disk);
        writeFile(place.tmp / "src/f", "f");
        fs::permissions(place.tmp / "src/f", fs::perms(0640));
        fs::create_symlink("f", place.tmp / "src/link");
        const ToolResult result = place.xcopy({"src", "stick/dst", "/Y/I/K"});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, row.output);
    }
    // exFAT has no holes to keep: on the temporary folder's own file system.
    Place place(std::nullopt);
    writeFile(place.tmp / "src/image", "data");
    fs::resize_file(place.tmp / "src/image", 64 << 20); // a hole after 4 bytes
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{XCOPY_PATH, "src", "copied", "/Y/I"},
          {UNLHA_PATH, "a", "i.lzh", "src/", "image"},
          {UNLHA_PATH, "x", "i.lzh", "out/"}})
        ASSERT_EQ(runTool(args[0], {args.begin() + 1, args.end()}, ToolRun{place.tmp.path(), {}})
                      .exitCode,
                  0);
    for (const char* copy : {"copied/image", "out/image"}) {
        struct stat st;
        ASSERT_EQ(::stat((place.tmp / copy).c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 64 << 20);
        EXPECT_LT(st.st_blocks * 512, 1 << 20) << copy << ": holes were written out";
    }
}

// A first copy onto a FUSE disk cut short by a crash in the middle of a file, under the file's
// own name (here by the file size limit's signal, which ends xcopy as kill -9 would), is copied
// again by the next /D run, however new the cut file's time.
TEST(FieldDiskTest, ACopyCutShortIsCopiedAgainByTheNextRun) {
    SKIP_WITHOUT(std::optional(Kind::Exfat));
    Place place(Kind::Exfat);
    const std::string content(1 << 20, 'c');
    writeFile(place.tmp / "src/big.bin", content);
    setTime(place.tmp / "src/big.bin", 1700000000, 0);
    const ToolResult cut = runTool(
        "/bin/sh", {"-c", "ulimit -f 64; exec \"$0\" src stick/b /Y/D/I", XCOPY_PATH},
        ToolRun{place.tmp.path(), {}});
    ASSERT_EQ(cut.exitCode, -1) << cut.output;
    ASSERT_TRUE(fs::exists(place.tmp / "stick/b/big.bin"));
    ASSERT_LT(fs::file_size(place.tmp / "stick/b/big.bin"), content.size());
    EXPECT_EQ(place.xcopy({"src", "stick/b", "/Y/D/I"}).output,
              "src/big.bin\n1 個のファイルをコピーしました\n");
    EXPECT_TRUE(readFile(place.tmp / "stick/b/big.bin") == content);
}

// A stop (the runner's SIGTERM) while several files are in flight onto a FUSE disk ends the
// run by that signal and leaves neither temporary files nor files cut short.
TEST(FieldDiskTest, AStopLeavesNoTemporaryOrPartialFile) {
    SKIP_WITHOUT(std::optional(Kind::Exfat));
    Place place(Kind::Exfat);
    for (int i = 0; i < 12; ++i)
        writeFile(place.tmp / ("src/f" + std::to_string(i)), std::string(3 << 20, char('a' + i)));
    const ToolResult stopped =
        runTool("/bin/sh",
                {"-c",
                 "\"$0\" src stick/d /Y/I & p=$!; "
                 "until [ -n \"$(ls -A stick/d 2>/dev/null)\" ]; do :; done; "
                 "kill -TERM $p; wait $p; echo $?",
                 XCOPY_PATH},
                ToolRun{place.tmp.path(), {}});
    EXPECT_EQ(stopped.output.substr(stopped.output.rfind('\n', stopped.output.size() - 2) + 1),
              "143\n");
    for (const std::string& name : listTree(place.tmp / "stick/d")) {
        SCOPED_TRACE(name);
        EXPECT_NE(name[0], '.');
        EXPECT_TRUE(readFile(place.tmp / "stick/d" / name) == readFile(place.tmp / "src" / name));
    }
}

} // namespace
} // namespace trevane::test
