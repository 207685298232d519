// The registered job list file without widgets: the line breaks it reads, the CR LF it writes.

#include "jobs/RegisteredJobList.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace trevane;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace

TEST(RegisteredJobList, ReadsLinesOfAnyBreakAndWritesCrLf) {
    test::TempDir folder;
    const std::string path = folder.path() + "/BGCopyList.txt";
    EXPECT_EQ(RegisteredJobList::read(path).status, ReadStatus::Missing);
    EXPECT_TRUE(RegisteredJobList::read(path).names.empty());

    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF" "daily.cpl\r\nweekly.cpl\n\r\n夜間.cpl";
    RegisteredJobList::Loaded loaded = RegisteredJobList::read(path);
    ASSERT_EQ(loaded.status, ReadStatus::Ok);
    EXPECT_EQ(loaded.names, (std::vector<std::string>{"daily.cpl", "weekly.cpl", "", "夜間.cpl"}));

    ASSERT_TRUE(RegisteredJobList::write(path, {"a.cpl", "夜間.cpl"}).ok);
    EXPECT_EQ(slurp(path), "a.cpl\r\n夜間.cpl\r\n");
    ASSERT_TRUE(RegisteredJobList::write(path, {}).ok);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(slurp(path), "");

    WriteResult failed = RegisteredJobList::write(folder.path() + "/missing/BGCopyList.txt", {"a"});
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error.find("missing"), std::string::npos);
}
