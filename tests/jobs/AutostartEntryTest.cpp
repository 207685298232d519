#include "jobs/AutostartEntry.h"

#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace trevane;

namespace {

struct ExecCase {
    const char* name;
    std::string executable;
    std::string execLine;
    std::string profileFolder = {};
};

void PrintTo(const ExecCase& c, std::ostream* out) {
    *out << c.name;
}

class AutostartExec : public ::testing::TestWithParam<ExecCase> {};

// Desktop entries quote arguments with reserved characters, escape ", `, $ and \ inside the
// quotes, double "%", and the value's own string escapes double each backslash again.
TEST_P(AutostartExec, QuotesThePathByTheDesktopEntryRules) {
    const std::string text =
        AutostartEntry::contents(GetParam().executable, GetParam().profileFolder);
    EXPECT_NE(text.find("\nExec=" + GetParam().execLine + "\n"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AutostartExec,
    ::testing::Values(
        ExecCase{"plain", "/usr/bin/trevane", "/usr/bin/trevane"},
        ExecCase{"blank", "/opt/my apps/trevane", "\"/opt/my apps/trevane\""},
        ExecCase{"quoteAndDollar", "/opt/a\"b$c/trevane", "\"/opt/a\\\\\"b\\\\$c/trevane\""},
        ExecCase{"backslash", "/opt/a\\b/trevane", "\"/opt/a\\\\\\\\b/trevane\""},
        ExecCase{"percent", "/opt/100%/trevane", "/opt/100%%/trevane"},
        ExecCase{"japanese", "/home/利用者/trevane", "/home/利用者/trevane"},
        ExecCase{"profile", "/usr/bin/trevane",
                 "env \"TREVANE_HOME=/home/u/my profile\" /usr/bin/trevane", "/home/u/my profile"}),
    [](const auto& info) { return std::string(info.param.name); });

// TryExec holds the bare path (a string value, not Exec's quoting), so a desktop skips the
// entry of a program that is gone.
TEST(AutostartEntry, TryExecNamesTheExecutable) {
    const std::string text = AutostartEntry::contents("/opt/my apps\\x/trevane", "/home/u/p");
    EXPECT_NE(text.find("\nTryExec=/opt/my apps\\\\x/trevane\n"), std::string::npos) << text;
}

TEST(AutostartEntry, SetWritesTheEntryWithItsFolderAndRemovesIt) {
    test::TempDir dir;
    const AutostartEntry entry(dir.file("config"));
    EXPECT_EQ(entry.path(), dir.file("config/autostart/trevane.desktop"));
    EXPECT_FALSE(entry.exists());
    EXPECT_TRUE(entry.set(false, "/usr/bin/trevane").ok) << "removing a missing entry is fine";

    ASSERT_TRUE(entry.set(true, "/usr/bin/trevane").ok);
    EXPECT_TRUE(entry.exists());
    ReadResult written = readWholeFile(entry.path());
    EXPECT_EQ(written.bytes, AutostartEntry::contents("/usr/bin/trevane"));
    EXPECT_EQ(written.bytes.rfind("[Desktop Entry]\n", 0), 0u);

    ASSERT_TRUE(entry.set(true, "/opt/trevane/bin/trevane").ok) << "another copy takes it over";
    EXPECT_EQ(readWholeFile(entry.path()).bytes,
              AutostartEntry::contents("/opt/trevane/bin/trevane"));

    ASSERT_TRUE(entry.set(false, "/opt/trevane/bin/trevane").ok);
    EXPECT_FALSE(entry.exists());
}

TEST(AutostartEntry, AFolderThatCannotBeMadeIsAnError) {
    test::TempDir dir;
    ASSERT_TRUE(writeFileAtomically(dir.file("config"), "a file, not a folder").ok);
    const WriteResult result = AutostartEntry(dir.file("config")).set(true, "/usr/bin/trevane");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(dir.file("config")), std::string::npos) << result.error;
}

// The written entry passes the desktop entry validator where it is installed.
TEST(AutostartEntry, PassesTheDesktopEntryValidator) {
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "desktop-file-validate is not installed";
    test::TempDir dir;
    const AutostartEntry entry(dir.path());
    ASSERT_TRUE(entry.set(true, "/opt/my apps/100% \"new\"/trevane", "/home/u/my $profile").ok);
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry.path() + "'").c_str()), 0);
}

} // namespace
