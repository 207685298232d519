// Runs the real deltree program on real temporary trees.

#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <optional>

namespace trevane::test {
namespace {

namespace fs = std::filesystem;

const std::string kDeltree = DELTREE_PATH;

class DeltreeTest : public ::testing::Test {
protected:
    // HOME points into the temporary folder, so the home rule is tested without risk.
    ToolResult deltree(const std::vector<std::string>& args) {
        return runTool(
            kDeltree, args,
            ToolRun{m_tmp.path(), {{"HOME", at("home").string()}}, false});
    }
    fs::path at(const std::string& relative) const { return m_tmp / relative; }

    // Runs `mount`, then the shell script `then`, in a mount namespace of its own that ends with
    // the shell, so nothing stays mounted whatever happens; $1 and $2 are the mount's arguments
    // and $3 is deltree. Empty without the privilege to make one: there is nothing to test then.
    std::optional<ToolResult> afterMounting(const std::string& mount, const std::string& then,
                                            const std::string& what, const std::string& where) {
        constexpr int kCannotMount = 99;
        const ToolResult result = runTool(
            "/usr/bin/unshare",
            {"-m", "sh", "-c", mount + " || exit " + std::to_string(kCannotMount) + "; " + then,
             "sh", what, where, kDeltree},
            ToolRun{m_tmp.path(), {{"HOME", at("home").string()}}, false});
        if (result.exitCode == kCannotMount || result.output.rfind("unshare:", 0) == 0)
            return std::nullopt;
        return result;
    }

    void makeTree(const std::string& root) {
        writeFile(at(root + "/a.txt"), "a");
        writeFile(at(root + "/.hidden"), "h");
        writeFile(at(root + "/日本 語/b.txt"), "b");
        writeFile(at(root + "/deep/er/c.txt"), "c");
        fs::permissions(at(root + "/deep/er/c.txt"), fs::perms(0444));
        fs::permissions(at(root + "/deep/er"), fs::perms(0555)); // entries need the folder's write
    }

    TempFolder m_tmp;
};

TEST_F(DeltreeTest, RemovesSeveralFoldersSilently) {
    makeTree("one");
    makeTree("two with blank");
    const ToolResult result = deltree({"/Y", at("one").string(), "two with blank"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_FALSE(fs::exists(at("one")));
    EXPECT_FALSE(fs::exists(at("two with blank")));
}

TEST_F(DeltreeTest, MissingFolderIsNotAFailure) {
    makeTree("one");
    const ToolResult result = deltree({"/y", "nothere", "one"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_FALSE(fs::exists(at("one")));
}

TEST_F(DeltreeTest, NeverFollowsLinksOutOfTheTree) {
    writeFile(at("outside/keep.txt"), "k");
    makeTree("tree");
    fs::create_directory_symlink(at("outside"), at("tree/to-outside"));
    fs::create_symlink(at("outside/keep.txt"), at("tree/deep/file-link"));
    fs::create_directory_symlink(at("outside"), at("named-link"));

    EXPECT_EQ(deltree({"/Y", "tree", "named-link/"}).exitCode, 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(at("tree"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(at("named-link"))));
    EXPECT_EQ(readFile(at("outside/keep.txt")), "k");
}

TEST_F(DeltreeTest, StopsAtABindMountOfTheSameFileSystem) {
    writeFile(at("outside/keep.txt"), "k");
    makeTree("tree");
    fs::create_directory(at("tree/mnt"));
    const auto result = afterMounting("mount --bind \"$1\" \"$2\"", "exec \"$3\" /Y tree",
                                      at("outside").string(), at("tree/mnt").string());
    if (!result)
        GTEST_SKIP() << "cannot bind-mount here";
    EXPECT_EQ(result->exitCode, 1);
    EXPECT_EQ(result->output,
              "別のファイルシステムがマウントされているので削除しません - tree/mnt\n");
    EXPECT_EQ(readFile(at("outside/keep.txt")), "k");
    EXPECT_FALSE(fs::exists(at("tree/a.txt")));
}

TEST_F(DeltreeTest, EmptiesATargetThatIsAMountPoint) {
    fs::create_directory(at("disk"));
    // deltree's exit code, then what is left on the mounted disk.
    const auto result = afterMounting("mount -t tmpfs tmpfs \"$2\"",
                                      "mkdir \"$2/sub\" && echo x >\"$2/sub/f\" && \"$3\" /Y "
                                      "\"$2\"; echo \"rc=$?\"; ls -A \"$2\"",
                                      "tmpfs", at("disk").string());
    if (!result)
        GTEST_SKIP() << "cannot mount here";
    EXPECT_EQ(result->output, "rc=0\n");
}

TEST_F(DeltreeTest, RefusesDangerousPaths) {
    writeFile(at("home/notes.txt"), "n");
    makeTree("tree");
    struct Row {
        const char* name;
        std::string path;
        std::string output;
    };
    const std::vector<Row> rows = {
        {"root", "/", "ルートフォルダーは削除できません - /\n"},
        {"root spelt differently", "//", "ルートフォルダーは削除できません - //\n"},
        {"empty", "", "空のパスは削除できません\n"},
        {"blank", "  ", "空のパスは削除できません\n"},
        {"home", at("home").string(),
         "ホームフォルダーは削除できません - " + at("home").string() + "\n"},
        {"home through another name", at("tree/../home").string(),
         "ホームフォルダーは削除できません - " + at("tree/../home").string() + "\n"},
        {"a folder holding home", m_tmp.path().string(),
         "ホームフォルダーを含むフォルダーは削除できません - " + m_tmp.path().string() + "\n"},
        {"dot dot", "tree/..", "「.」や「..」で終わるパスは削除できません - tree/..\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ToolResult result = deltree({"/Y", row.path});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output, row.output);
    }
    EXPECT_EQ(readFile(at("home/notes.txt")), "n");
    EXPECT_TRUE(fs::exists(at("tree/a.txt")));

    // A refused folder does not stop the others.
    const ToolResult mixed = deltree({"/Y", "/", "tree"});
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_FALSE(fs::exists(at("tree")));
}

TEST_F(DeltreeTest, WithoutConfirmationNothingIsRemoved) {
    makeTree("tree");
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
    };
    const std::vector<Row> rows = {
        {"no /Y", {"tree"}, 1},
        {"no folder", {"/Y"}, 4},
        {"nothing", {}, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(deltree(row.args).exitCode, row.exitCode);
        EXPECT_TRUE(fs::exists(at("tree/a.txt")));
    }
}

} // namespace
} // namespace trevane::test
