#include "jobs/AtomicFile.h"
#include "support/FailingPath.h"
#include "support/FifoWatchdog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace trevane;
namespace fs = std::filesystem;

namespace {

size_t entriesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}

TEST(AtomicFile, WritesReplacesAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string path = dir.file("Trevane.log");
    ASSERT_TRUE(writeFileAtomically(path, "first").ok);
    ASSERT_TRUE(writeFileAtomically(path, std::string("sec\0ond", 7)).ok);
    const ReadResult read = readWholeFile(path);
    ASSERT_EQ(read.status, ReadStatus::Ok);
    EXPECT_EQ(read.bytes, std::string("sec\0ond", 7));
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    ASSERT_TRUE(writeFileAtomically(path, "").ok);
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST(AtomicFile, KeepsPermissionBitsAndFollowsLinks) {
    test::TempDir dir;
    const std::string path = dir.file("list.txt");
    ASSERT_TRUE(writeFileAtomically(path, "a").ok);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(path, "b").ok);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const std::string link = dir.file("link.txt");
    fs::create_symlink(path, link);
    ASSERT_TRUE(writeFileAtomically(link, "through the link").ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readWholeFile(path).bytes, "through the link");
}

TEST(AtomicFile, FailuresLeaveTheOldFileAndSayWhy) {
    test::TempDir dir;
    const WriteResult noFolder = writeFileAtomically(dir.file("missing/x.txt"), "x");
    EXPECT_FALSE(noFolder.ok);
    EXPECT_NE(noFolder.error.find("missing/x.txt"), std::string::npos);

    const WriteResult onFolder = writeFileAtomically(dir.path(), "x");
    EXPECT_FALSE(onFolder.ok);
    EXPECT_FALSE(writeFileAtomically("", "x").ok);

    const std::string readOnly = dir.file("protected.cpl");
    ASSERT_TRUE(writeFileAtomically(readOnly, "old").ok);
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    const WriteResult refused = writeFileAtomically(readOnly, "new");
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("読み取り専用"), std::string::npos);
    EXPECT_EQ(readWholeFile(readOnly).bytes, "old");

    const std::string folder = dir.file("ro");
    fs::create_directory(folder);
    ASSERT_TRUE(writeFileAtomically(folder + "/keep.txt", "old").ok);
    {
        const test::FailingPath readOnlyFolder(folder, EACCES);
        EXPECT_FALSE(writeFileAtomically(folder + "/keep.txt", "new").ok);
    }
    EXPECT_EQ(readWholeFile(folder + "/keep.txt").bytes, "old");
    EXPECT_EQ(entriesIn(folder), 1u);
}

// A save that is killed half way (here by the file size limit, as deterministic as kill -9)
// leaves the old file as it was and no other file beside it.
TEST(AtomicFile, AKilledSaveLeavesNothingBehind) {
    test::TempDir dir;
    const std::string path = dir.file("Trevane.ini");
    ASSERT_TRUE(writeFileAtomically(path, "old").ok);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCore{0, 0}, small{1 << 16, 1 << 16};
        setrlimit(RLIMIT_CORE, &noCore);
        setrlimit(RLIMIT_FSIZE, &small);
        (void)writeFileAtomically(path, std::string(1 << 20, 'x'));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(readWholeFile(path).bytes, "old");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicFile, ReadTellsMissingFromFailed) {
    test::TempDir dir;
    EXPECT_EQ(readWholeFile(dir.file("none")).status, ReadStatus::Missing);
    EXPECT_EQ(readWholeFile(dir.file("none/deeper")).status, ReadStatus::Missing);
    const ReadResult folder = readWholeFile(dir.path());
    EXPECT_EQ(folder.status, ReadStatus::Failed);
    EXPECT_NE(folder.error, "");
    ASSERT_TRUE(writeFileAtomically(dir.file("file"), "x").ok);
    EXPECT_EQ(readWholeFile(dir.file("file/deeper")).status, ReadStatus::Missing);
}

// A file that is no regular file, or too large, is refused at once: reading a FIFO would wait
// for ever, reading /dev/zero would grow until memory runs out.
TEST(AtomicFile, OnlyRegularFilesOfBoundedSizeAreUsed) {
    test::TempDir dir;
    const std::string fifo = dir.file("Trevane.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const test::FifoWatchdog watchdog(fifo);
    const std::string huge = dir.file("huge.cpl");
    ASSERT_TRUE(writeFileAtomically(huge, "").ok);
    ASSERT_EQ(truncate(huge.c_str(), kMaxReadBytes + 1), 0);
    const std::pair<std::string, std::string> rows[] = {
        {fifo, "通常のファイルではありません"},
        {"/dev/zero", "通常のファイルではありません"},
        {huge, "64 MiB"},
    };
    for (const auto& [path, reason] : rows) {
        const ReadResult read = readWholeFile(path);
        EXPECT_EQ(read.status, ReadStatus::Failed) << path;
        EXPECT_NE(read.error.find(reason), std::string::npos) << read.error;
    }
    const WriteResult overFifo = writeFileAtomically(fifo, "x");
    EXPECT_NE(overFifo.error.find("通常のファイルではありません"), std::string::npos);
    EXPECT_FALSE(watchdog.released()) << "waited on the FIFO";
}

} // namespace
