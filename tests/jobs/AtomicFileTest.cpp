#include "jobs/AtomicFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
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

    if (geteuid() != 0) { // root writes into read-only folders
        const std::string folder = dir.file("ro");
        fs::create_directory(folder);
        ASSERT_TRUE(writeFileAtomically(folder + "/keep.txt", "old").ok);
        chmod(folder.c_str(), 0555);
        EXPECT_FALSE(writeFileAtomically(folder + "/keep.txt", "new").ok);
        chmod(folder.c_str(), 0755);
        EXPECT_EQ(readWholeFile(folder + "/keep.txt").bytes, "old");
        EXPECT_EQ(entriesIn(folder), 1u);
    }
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

} // namespace
