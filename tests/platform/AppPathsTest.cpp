#include "platform/AppPaths.h"
#include "platform/InstanceChannel.h"
#include "support/FailingPath.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace trevane;

namespace {

namespace fs = std::filesystem;

// A temporary prefix laid out as a build tree ("build/bin" with the helpers beside the
// program) and as an installed copy ("usr/bin" and the package's private folder
// "usr/lib/<triplet>/trevane").
class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "trevane-paths-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        root = pattern;
        fs::create_directories(root + "/build/bin");
        std::ofstream(root + "/build/bin/xcopy") << "";
        fs::create_directories(root + "/usr/bin");
        fs::create_directories(root + "/usr/" TREVANE_HELPER_SUBDIR);
        fs::create_directories(root + "/home");
    }
    void TearDown() override {
        fs::permissions(root + "/usr/bin", fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root);
    }
    std::string root;
};

TEST_F(Layout, HelpersBesideTheProgramFirstThenTheInstalledPlace) {
    EXPECT_EQ(helperFolderFor(root + "/build/bin"), root + "/build/bin");
    EXPECT_EQ(helperFolderFor(root + "/usr/bin"), root + "/usr/" TREVANE_HELPER_SUBDIR);
    EXPECT_EQ(helperFolderFor(root + "/home"), root + "/home") << "neither: the program's folder";
}

TEST_F(Layout, ProgramFolderByWhereTheProgramRuns) {
    const std::string config = root + "/home/.config";
    struct Case {
        const char* name;
        ProgramFolderInputs inputs;
        std::string expected;
    } cases[] = {
        {"buildTree", {"", root + "/build/bin", "", root + "/home"}, root + "/build/bin"},
        {"installed", {"", root + "/usr/bin", "", root + "/home"}, config + "/Trevane"},
        {"xdgConfigHome",
         {"", root + "/usr/bin", root + "/cfg/", root + "/home"},
         root + "/cfg/Trevane"},
        {"relativeXdgIgnored", {"", root + "/usr/bin", "cfg", root + "/home"}, config + "/Trevane"},
        {"trevaneHomeWins",
         {root + "/home/", root + "/usr/bin", "", root + "/home"},
         root + "/home"},
        {"trevaneHomeCleaned",
         {root + "//usr/./../home/", root + "/usr/bin", "", root + "/home"},
         root + "/home"},
        {"missingTrevaneHome",
         {root + "/none", root + "/build/bin", "", root + "/home"},
         root + "/build/bin"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseProgramFolder(c.inputs), c.expected) << c.name;
        EXPECT_TRUE(directoryExists(c.expected)) << c.name << ": created on first start";
    }
    EXPECT_EQ(fs::status(config + "/Trevane").permissions(), fs::perms::owner_all);
    // A relative TREVANE_HOME is taken from where the program starts, once.
    const std::string started = fs::current_path();
    fs::current_path(root);
    const std::string relative = chooseProgramFolder({"home", root + "/usr/bin", "", ""});
    fs::current_path(started);
    EXPECT_EQ(relative, fs::canonical(root).string() + "/home");
}

TEST_F(Layout, AFolderTheUserCannotWriteKeepsNoData) {
    std::ofstream(root + "/usr/bin/xcopy") << ""; // a portable copy, but read-only
    const test::FailingPath readOnly(root + "/usr/bin", EACCES);
    EXPECT_EQ(chooseProgramFolder({"", root + "/usr/bin", "", root + "/home"}),
              root + "/home/.config/Trevane");
}

// Started without HOME (a service, "env -i"), the per-user folder is still in the account's
// home folder, never "/.config" at the root.
TEST(UserConfigFolder, WithoutHomeTheAccountsHomeFolder) {
    const passwd* account = getpwuid(getuid());
    if (!account || !account->pw_dir || !*account->pw_dir)
        GTEST_SKIP() << "the account has no home folder";
    const char* home = std::getenv("HOME");
    const std::string saved = home ? home : "";
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = xdg ? xdg : "";
    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    const std::string folder = userConfigFolder();
    const std::string expanded = withHomeFolder("~/a");
    if (home)
        setenv("HOME", saved.c_str(), 1);
    if (xdg)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    const std::string accountHome = account->pw_dir == std::string("/") ? "" : account->pw_dir;
    EXPECT_EQ(folder, accountHome + "/.config");
    EXPECT_EQ(expanded, accountHome + "/a");
}

// The runtime folder is the same for a desktop session and a cron run of the same user, and
// only ever the user's own.
TEST_F(Layout, RuntimeFolderIsTheUsersOwnInEverySession) {
    const uid_t uid = getuid();
    const std::string runUser = root + "/run/user";
    const std::string own = runUser + "/" + std::to_string(uid), open = root + "/usr/bin";
    EXPECT_EQ(runtimeFolderFor(nullptr, uid, runUser), ""); // no runtime folder at all
    fs::create_directories(own);
    fs::permissions(own, fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(runtimeFolderFor(own.c_str(), uid, runUser), own); // a desktop session
    EXPECT_EQ(runtimeFolderFor(nullptr, uid, runUser), own);     // cron: no XDG_RUNTIME_DIR
    EXPECT_EQ(runtimeFolderFor("", uid, runUser), own);
    EXPECT_EQ(runtimeFolderFor((root + "/gone").c_str(), uid, runUser), own);
    EXPECT_EQ(runtimeFolderFor(open.c_str(), uid, runUser), own);
    EXPECT_EQ(runtimeFolderFor(own.c_str(), uid + 1, runUser), ""); // another user's, after su
    fs::permissions(own, fs::perms::others_read, fs::perm_options::add);
    EXPECT_EQ(runtimeFolderFor(nullptr, uid, runUser), ""); // open to others: not the user's
}

} // namespace
