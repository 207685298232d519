// The options dialog's rules without widgets: the most-log-lines field and the registered
// job list file.

#include "jobs/MaxLogLines.h"
#include "jobs/RegisteredJobList.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace trevane;

namespace {

struct TempFolder {
    std::string path;
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "trevane-d1-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace

TEST(MaxLogLines, FieldAndStoredValue) {
    struct Row {
        const char* typed;
        const char* afterExit; // nullptr: left as typed
        int stored;            // what OK stores for the text after leaving the field
    } rows[] = {
        {"50", "100", 100},
        {"99", "100", 100},
        {"100", nullptr, 100},
        {"5000", nullptr, 5000},
        {"0", "100", 100},
        {"-20", "100", 100},
        {"abc", nullptr, 500},
        {"", nullptr, 500},
        {"12abc", nullptr, 500},
        {"+150", nullptr, 150},
        {"99999999999", nullptr, 500},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        std::optional<std::string> exit = MaxLogLines::textOnExit(row.typed);
        EXPECT_EQ(exit.has_value(), row.afterExit != nullptr);
        std::string shown = exit ? *exit : std::string(row.typed);
        if (row.afterExit) {
            EXPECT_EQ(shown, row.afterExit);
        }
        EXPECT_EQ(MaxLogLines::valueToStore(shown), row.stored);
    }
}

TEST(RegisteredJobList, ReadsLinesOfAnyBreakAndWritesCrLf) {
    TempFolder folder;
    const std::string path = folder.path + "/BGCopyList.txt";
    EXPECT_EQ(RegisteredJobList::read(path).status, ReadStatus::Missing);
    EXPECT_TRUE(RegisteredJobList::read(path).names.empty());

    std::ofstream(path, std::ios::binary) << "daily.cpl\r\nweekly.cpl\n\r\n夜間.cpl";
    RegisteredJobList::Loaded loaded = RegisteredJobList::read(path);
    ASSERT_EQ(loaded.status, ReadStatus::Ok);
    EXPECT_EQ(loaded.names, (std::vector<std::string>{"daily.cpl", "weekly.cpl", "", "夜間.cpl"}));

    ASSERT_TRUE(RegisteredJobList::write(path, {"a.cpl", "夜間.cpl"}).ok);
    EXPECT_EQ(slurp(path), "a.cpl\r\n夜間.cpl\r\n");
    ASSERT_TRUE(RegisteredJobList::write(path, {}).ok);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(slurp(path), "");

    WriteResult failed = RegisteredJobList::write(folder.path + "/missing/BGCopyList.txt", {"a"});
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error.find("missing"), std::string::npos);
}

TEST(RegisteredJobList, AddsBareNamesOnceWhateverTheirCase) {
    std::vector<std::string> names = {"Daily.cpl"};
    EXPECT_EQ(RegisteredJobList::bareName("/home/u/other/Weekly.cpl"), "Weekly.cpl");
    EXPECT_EQ(RegisteredJobList::bareName("plain.cpl"), "plain.cpl");
    EXPECT_FALSE(RegisteredJobList::addUnique(names, "DAILY.CPL"));
    EXPECT_TRUE(RegisteredJobList::addUnique(names, "Weekly.cpl"));
    EXPECT_FALSE(RegisteredJobList::addUnique(names, "weekly.cpl"));
    EXPECT_TRUE(RegisteredJobList::addUnique(names, "daily.cpl.bak"));
    EXPECT_EQ(names, (std::vector<std::string>{"Daily.cpl", "Weekly.cpl", "daily.cpl.bak"}));
}
