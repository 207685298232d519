// Runs the real xcopy program on real temporary trees, under the conditions the job runner
// gives it: standard input from /dev/null, output and errors through one pipe.

#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane::test {
namespace {

namespace fs = std::filesystem;

const std::string kXcopy = XCOPY_PATH;

class XcopyTest : public ::testing::Test {
protected:
    ToolResult xcopy(const std::vector<std::string>& args) {
        return runTool(kXcopy, args, ToolRun{m_tmp.path(), {}, false});
    }
    fs::path at(const std::string& relative) const { return m_tmp / relative; }

    // src/ with files at two levels, an empty folder and a folder without .doc files.
    void makeSourceTree() {
        writeFile(at("src/a.doc"), "a");
        writeFile(at("src/B.DOC"), "B");
        writeFile(at("src/c.txt"), "c");
        writeFile(at("src/noext"), "n");
        writeFile(at("src/readme.txt"), "r");
        writeFile(at("src/with blank.doc"), "w");
        writeFile(at("src/日本語.doc"), "j");
        writeFile(at("src/sub/d.doc"), "d");
        writeFile(at("src/sub/deep/e.doc"), "e");
        writeFile(at("src/txtonly/f.txt"), "f");
        fs::create_directories(at("src/empty"));
    }

    TempFolder m_tmp;
};

std::string lastLine(const std::string& output) {
    std::string text = output;
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text.substr(text.rfind('\n') + 1);
}

TEST_F(XcopyTest, WildcardsPickTheMatchingFiles) {
    makeSourceTree();
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> copied;
    };
    const std::vector<Row> rows = {
        {"doc pattern ignores case",
         {"src/*.doc", "d1", "/Y/I"},
         {"B.DOC", "a.doc", "with blank.doc", "日本語.doc"}},
        {"star dot star takes names without a dot",
         {"src/*.*", "d2", "/Y/I"},
         {"B.DOC", "a.doc", "c.txt", "noext", "readme.txt", "with blank.doc", "日本語.doc"}},
        {"question mark is one character", {"src/?.doc", "d3", "/Y/I"}, {"B.DOC", "a.doc"}},
        {"question mark is one Japanese character",
         {"src/日本?.doc", "d4", "/Y/I"},
         {"日本語.doc"}},
        {"name dot star takes the bare name", {"src/noext.*", "d5", "/Y/I"}, {"noext"}},
        {"a plain name", {"src/with blank.doc", "d6", "/Y/I"}, {"with blank.doc"}},
        {"a folder takes every file",
         {"src", "d7", "/Y/I"},
         {"B.DOC", "a.doc", "c.txt", "noext", "readme.txt", "with blank.doc", "日本語.doc"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ToolResult result = xcopy(row.args);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_EQ(listTree(at(row.args[1])), row.copied);
        EXPECT_EQ(lastLine(result.output),
                  std::to_string(row.copied.size()) + " 個のファイルをコピーしました");
    }
}

TEST_F(XcopyTest, PrintsEachSourcePathThenTheCountLine) {
    makeSourceTree();
    const ToolResult result = xcopy({"src/*.doc", "dst", "/Y/D/S/I/K/R"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "src/B.DOC\n"
                             "src/a.doc\n"
                             "src/with blank.doc\n"
                             "src/日本語.doc\n"
                             "src/sub/d.doc\n"
                             "src/sub/deep/e.doc\n"
                             "空のフォルダー 1 個を作成しませんでした (/E で作成します)\n"
                             "6 個のファイルをコピーしました\n");
    EXPECT_EQ(readFile(at("dst/sub/deep/e.doc")), "e");
}

TEST_F(XcopyTest, SubfolderSwitchesDifferOnEmptyFolders) {
    makeSourceTree();
    struct Row {
        const char* name;
        const char* switches;
        bool hasEmpty;
        bool hasTxtOnly;
    };
    const std::vector<Row> rows = {
        {"no switch stays in the top folder", "/Y/I", false, false},
        {"S leaves out folders that get no file", "/Y/I/S", false, false},
        {"E makes every folder", "/Y/I/E", true, true},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string dst = "s" + std::to_string(n++);
        const ToolResult result = xcopy({"src/*.doc", dst, row.switches});
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_EQ(fs::is_directory(at(dst + "/empty")), row.hasEmpty);
        EXPECT_EQ(fs::is_directory(at(dst + "/txtonly")), row.hasTxtOnly);
        EXPECT_EQ(fs::exists(at(dst + "/sub/deep/e.doc")), std::string(row.switches) != "/Y/I");
    }
}

TEST_F(XcopyTest, DateSwitchCopiesOnlyNewerFiles) {
    writeFile(at("src/old.txt"), "old");
    writeFile(at("src/new.txt"), "new");
    writeFile(at("src/sub/changed.txt"), "v1");
    setTime(at("src/old.txt"), 1000000000);
    setTime(at("src/new.txt"), 1000000000);
    setTime(at("src/sub/changed.txt"), 1000000000);

    ToolResult result = xcopy({"src", "dst", "/Y/D/S/I"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(lastLine(result.output), "3 個のファイルをコピーしました");

    // Nothing changed: nothing copied, and that is success.
    result = xcopy({"src", "dst", "/Y/D/S/I"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "0 個のファイルをコピーしました\n");

    // A copy with the source's time but not its size never got its data: it is copied again.
    writeFile(at("dst/old.txt"), "");
    setTime(at("dst/old.txt"), 1000000000);
    result = xcopy({"src", "dst", "/Y/D/S/I"});
    EXPECT_EQ(result.output, "src/old.txt\n1 個のファイルをコピーしました\n");
    EXPECT_EQ(readFile(at("dst/old.txt")), "old");
    // So is an empty copy of a file with data, however new: cut before it got any.
    writeFile(at("dst/old.txt"), "");
    setTime(at("dst/old.txt"), 1000000300);
    EXPECT_EQ(xcopy({"src", "dst", "/Y/D/S/I"}).output,
              "src/old.txt\n1 個のファイルをコピーしました\n");

    writeFile(at("src/sub/changed.txt"), "v2");
    setTime(at("src/sub/changed.txt"), 1000000100);
    // A destination file newer than its source is left alone.
    writeFile(at("dst/new.txt"), "edited in the backup");
    setTime(at("src/new.txt"), 1000000050);
    setTime(at("dst/new.txt"), 1000000200);
    result = xcopy({"src", "dst", "/Y/D/S/I"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "src/sub/changed.txt\n1 個のファイルをコピーしました\n");
    EXPECT_EQ(readFile(at("dst/sub/changed.txt")), "v2");
    EXPECT_EQ(readFile(at("dst/new.txt")), "edited in the backup");

    // The times are kept to the nanosecond, which is what makes the next /D run skip the file.
    struct stat source, copy;
    ASSERT_EQ(::stat(at("src/sub/changed.txt").c_str(), &source), 0);
    ASSERT_EQ(::stat(at("dst/sub/changed.txt").c_str(), &copy), 0);
    EXPECT_EQ(copy.st_mtim.tv_sec, source.st_mtim.tv_sec);
    EXPECT_EQ(copy.st_mtim.tv_nsec, source.st_mtim.tv_nsec);
}

TEST_F(XcopyTest, DateValueCopiesFilesChangedOnOrAfterThatDay) {
    // Local time; noon keeps the rows clear of time zone edges, midnight is the edge itself.
    auto local = [](int y, int m, int d, int hour) {
        std::tm tm{};
        tm.tm_year = y - 1900;
        tm.tm_mon = m - 1;
        tm.tm_mday = d;
        tm.tm_hour = hour;
        tm.tm_isdst = -1;
        return static_cast<long long>(std::mktime(&tm));
    };
    writeFile(at("src/1997.txt"), "x");
    writeFile(at("src/1998.txt"), "x");
    writeFile(at("src/2005.txt"), "x");
    writeFile(at("src/midnight.txt"), "x");
    setTime(at("src/1997.txt"), local(1997, 12, 31, 12));
    setTime(at("src/1998.txt"), local(1998, 1, 1, 12));
    setTime(at("src/2005.txt"), local(2005, 6, 1, 12));
    setTime(at("src/midnight.txt"), local(2005, 6, 1, 0));

    struct Row {
        const char* date;
        std::vector<std::string> copied;
    };
    const std::vector<Row> rows = {
        {"/D:1998-01-01", {"1998.txt", "2005.txt", "midnight.txt"}},
        {"/d:1-1-1998", {"1998.txt", "2005.txt", "midnight.txt"}},
        {"/D:01-02-98", {"2005.txt", "midnight.txt"}},
        {"/D:2005-06-01", {"2005.txt", "midnight.txt"}},
        {"/D:1990-01-01", {"1997.txt", "1998.txt", "2005.txt", "midnight.txt"}},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.date);
        const std::string dst = "d" + std::to_string(n++);
        const ToolResult result = xcopy({"src", dst, std::string("/Y/I") + row.date});
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_EQ(listTree(at(dst)), row.copied);
    }
}

TEST_F(XcopyTest, MissingDestinationBecomesAFolderWithoutAsking) {
    writeFile(at("src/one.txt"), "1");
    writeFile(at("src/two.txt"), "2");
    // Standard input is /dev/null, so a prompt would either hang or read nothing; the tool
    // decides instead: several files always go into a folder.
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> tree; // of "out"
    };
    const std::vector<Row> rows = {
        {"with I, a nested missing path",
         {"src", "out/a/b", "/Y/I"},
         {"a/", "a/b/", "a/b/one.txt", "a/b/two.txt"}},
        {"without I, several files", {"src/*.txt", "out", "/Y"}, {"one.txt", "two.txt"}},
        {"with I, a single file", {"src/one.txt", "out", "/Y/I"}, {"one.txt"}},
        {"trailing slash, a single file", {"src/one.txt", "out/", "/Y"}, {"one.txt"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(at("out"));
        const ToolResult result = xcopy(row.args);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_EQ(listTree(at("out")), row.tree);
    }

    // A single named file without /I is copied to a file of the destination's name.
    fs::remove_all(at("out"));
    const ToolResult result = xcopy({"src/one.txt", "out", "/Y"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(fs::is_regular_file(at("out")));
    EXPECT_EQ(readFile(at("out")), "1");
}

TEST_F(XcopyTest, KeepAttributesDecidesTheMode) {
    writeFile(at("src/plain"), "p");
    writeFile(at("src/readonly"), "r");
    writeFile(at("src/script"), "s");
    fs::permissions(at("src/plain"), fs::perms(0640));
    fs::permissions(at("src/readonly"), fs::perms(0444));
    fs::permissions(at("src/script"), fs::perms(0750));
    const mode_t mask = ::umask(022);
    ::umask(mask);

    ASSERT_EQ(xcopy({"src", "keep", "/Y/I/K"}).exitCode, 0);
    ASSERT_EQ(xcopy({"src", "reset", "/Y/I"}).exitCode, 0);
    struct Row {
        const char* file;
        unsigned keep;
        unsigned reset; // owner may write, less the umask
    };
    const std::vector<Row> rows = {
        {"plain", 0640, 0640 & ~mask},
        {"readonly", 0444, 0644 & ~mask},
        {"script", 0750, 0750 & ~mask},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        struct stat st;
        ASSERT_EQ(::stat(at(std::string("keep/") + row.file).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, row.keep);
        ASSERT_EQ(::stat(at(std::string("reset/") + row.file).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, row.reset);
    }
}

TEST_F(XcopyTest, KeptModesGiveNoSetIdBitsToAnotherOwner) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to own files as another user";
    writeFile(at("src/mine"), "m");
    writeFile(at("src/theirs"), "t");
    ASSERT_EQ(::chown(at("src/theirs").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(at("src/mine").c_str(), 06755), 0);
    ASSERT_EQ(::chmod(at("src/theirs").c_str(), 06755), 0);

    ASSERT_EQ(xcopy({"src", "keep", "/Y/I/K"}).exitCode, 0);
    struct stat st;
    ASSERT_EQ(::stat(at("keep/mine").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 06755u);
    ASSERT_EQ(::stat(at("keep/theirs").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u) << "a root-owned copy of a set-user-ID program";
}

TEST_F(XcopyTest, ReadOnlyDestinationNeedsR) {
    struct Row {
        const char* name;
        const char* switches;
        int exitCode;
        std::string content;
    };
    const std::vector<Row> rows = {
        {"without R the read-only file stays", "/Y", 5, "old"},
        {"with C it still fails", "/Y/C", 5, "old"},
        {"with R it is replaced", "/Y/R", 0, "new"},
        {"without Y nothing is replaced", "/R", 0, "old"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(at("src/file.txt"), "new");
        fs::create_directories(at("dst"));
        std::error_code ignored; // missing on the first row
        fs::permissions(at("dst/file.txt"), fs::perms::owner_write, fs::perm_options::add, ignored);
        writeFile(at("dst/file.txt"), "old");
        fs::permissions(at("dst/file.txt"), fs::perms(0444));
        const ToolResult result = xcopy({"src", "dst", row.switches});
        EXPECT_EQ(result.exitCode, row.exitCode) << result.output;
        EXPECT_EQ(readFile(at("dst/file.txt")), row.content);
        EXPECT_EQ(listTree(at("dst")), std::vector<std::string>{"file.txt"}) << "no leftovers";
    }
}

TEST_F(XcopyTest, HiddenFilesAndFoldersNeedH) {
    writeFile(at("src/.profile"), "p");
    writeFile(at("src/.config/app.ini"), "i");
    writeFile(at("src/visible.txt"), "v");
    // What is left out is counted, with the switch that takes it.
    EXPECT_EQ(xcopy({"src", "plain", "/Y/I/S"}).output,
              "src/visible.txt\n隠しファイル・フォルダー 2 個をコピーしませんでした (/H でコピーします)\n"
              "1 個のファイルをコピーしました\n");
    ASSERT_EQ(xcopy({"src", "hidden", "/Y/I/S/H"}).exitCode, 0);
    EXPECT_EQ(listTree(at("plain")), std::vector<std::string>{"visible.txt"});
    EXPECT_EQ(listTree(at("hidden")),
              (std::vector<std::string>{".config/", ".config/app.ini", ".profile", "visible.txt"}));
}

TEST_F(XcopyTest, ContinueSwitchGoesOnAfterAnUnreadableFile) {
    // A file without read permission; root runs the tool without the capabilities that read
    // past permissions, so the system refuses the read for every user alike.
    writeFile(at("src/a.txt"), "a");
    writeFile(at("src/b.txt"), "secret");
    writeFile(at("src/c.txt"), "c");
    fs::permissions(at("src/b.txt"), fs::perms::none);

    struct Row {
        const char* name;
        const char* switches;
        std::vector<std::string> copied;
    };
    const std::vector<Row> rows = {
        {"without C the run stops", "/Y/I", {"a.txt"}},
        {"with C the run goes on", "/Y/I/C", {"a.txt", "c.txt"}},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string dst = "d" + std::to_string(n++);
        const ToolResult result =
            runTool(kXcopy, {"src", dst, row.switches},
                    ToolRun{m_tmp.path(), {}, true});
        EXPECT_EQ(result.exitCode, 5) << result.output;
        EXPECT_NE(result.output.find("src/b.txt: アクセスが拒否されました。"), std::string::npos)
            << result.output;
        EXPECT_EQ(listTree(at(dst)), row.copied);
        EXPECT_EQ(lastLine(result.output),
                  std::to_string(row.copied.size()) + " 個のファイルをコピーしました");
    }
}

TEST_F(XcopyTest, FoldersBeyondThePathLimitAreReportedNotWalked) {
    // 2100 levels of "d/" make a path longer than PATH_MAX; made level by level, as no path
    // can name the deepest folders.
    writeFile(at("src/top.txt"), "t");
    int fd = ::open(at("src").c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 2100 && fd >= 0; ++level) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    ::close(fd);

    const ToolResult result = xcopy({"src", "dst", "/Y/E/I/C"});
    EXPECT_EQ(result.exitCode, 5) << result.output.substr(0, 200);
    EXPECT_NE(result.output.find("/d/: ファイル名が長すぎます。"), std::string::npos);
    EXPECT_EQ(readFile(at("dst/top.txt")), "t");
    EXPECT_EQ(lastLine(result.output), "1 個のファイルをコピーしました");
    // The temporary folder's own clean-up goes by path: the tools go by folder.
    runTool(DELTREE_PATH, {"/Y", at("src"), at("dst")});
}

TEST_F(XcopyTest, SymbolicLinksAreCopiedAsLinksAndNeverFollowed) {
    writeFile(at("outside/secret.txt"), "s");
    writeFile(at("src/file.txt"), "f");
    fs::create_directory_symlink("../outside", at("src/to-outside"));
    fs::create_symlink("file.txt", at("src/to-file"));
    fs::create_directory_symlink(".", at("src/loop"));
    fs::create_symlink("nowhere", at("src/dangling"));
    ASSERT_EQ(::mkfifo(at("src/fifo").c_str(), 0600), 0); // opening it would hang

    const ToolResult result = xcopy({"src", "dst", "/Y/I/S/E"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("通常のファイルではないのでコピーしません - src/fifo\n"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(listTree(at("dst")),
              (std::vector<std::string>{"dangling", "file.txt", "loop", "to-file", "to-outside"}));
    EXPECT_EQ(fs::read_symlink(at("dst/to-outside")), "../outside");
    EXPECT_EQ(fs::read_symlink(at("dst/to-file")), "file.txt");

    // A link in the destination where the source has a folder is not written through.
    writeFile(at("src2/sub/new.txt"), "n");
    fs::create_directories(at("dst2"));
    fs::create_directory_symlink("../outside", at("dst2/sub"));
    const ToolResult second = xcopy({"src2", "dst2", "/Y/I/S/C"});
    EXPECT_EQ(second.exitCode, 5) << second.output;
    EXPECT_FALSE(fs::exists(at("outside/new.txt")));
}

TEST_F(XcopyTest, ExitCodesAndMessages) {
    makeSourceTree();
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::string output;
    };
    const std::vector<Row> rows = {
        {"missing source folder",
         {"nothere/*.doc", "dst", "/Y"},
         4,
         "ファイルが見つかりません - nothere/*.doc\n0 個のファイルをコピーしました\n"},
        {"nothing matches",
         {"src/*.xls", "dst", "/Y/S"},
         1,
         "ファイルが見つかりません - *.xls\n"
         "空のフォルダー 1 個を作成しませんでした (/E で作成します)\n"
         "0 個のファイルをコピーしました\n"},
        {"unknown switch", {"src", "dst", "/Y/Z"}, 4, "無効なスイッチです - /Z\n"},
        {"bad date",
         {"src", "dst", "/D:1998-02-30"},
         4,
         "無効なパラメーターです - /D:1998-02-30\n"},
        {"a third name", {"src", "dst", "extra"}, 4, "パラメーターの数が違います\n"},
        {"no source", {}, 4, "パラメーターの数が違います\n"},
        {"onto itself",
         {"src", "src", "/Y"},
         4,
         "ファイルをそれ自身にコピーすることはできません\n0 個のファイルをコピーしました\n"},
        {"into itself",
         {"src", "src/sub/backup", "/Y/S/I"},
         4,
         "周期的なコピーを実行できません\n0 個のファイルをコピーしました\n"},
        {"several files onto a file",
         {"src/*.doc", "src/c.txt", "/Y"},
         4,
         "フォルダーではありません - src/c.txt\n0 個のファイルをコピーしました\n"},
        {"a link to a folder that is not there",
         {"src", "unmounted", "/Y/S/I"},
         5,
         "unmounted: ファイルが見つかりません。\n0 個のファイルをコピーしました\n"},
    };
    fs::create_directory_symlink(at("disk/backup"), at("unmounted"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ToolResult result = xcopy(row.args);
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_EQ(result.output, row.output);
    }
    EXPECT_FALSE(fs::exists(at("src/sub/backup")));
    EXPECT_FALSE(fs::exists(at("dst")));
}

TEST_F(XcopyTest, OtherSwitches) {
    makeSourceTree();
    // A blank line is no text: it would be found in every path.
    writeFile(at("exclude.lst"), "/SUB/DEEP/\r\n\r\n.txt\n\n");
    writeFile(at("bom.lst"), "\xEF\xBB\xBF.txt\r\n"); // as Windows editors save UTF-8
    writeFile(at("existing/a.doc"), "old");
    setTime(at("existing/a.doc"), 1000);
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string dst;
        std::vector<std::string> tree;
        std::string output; // empty: not checked
    };
    const std::vector<Row> rows = {
        {"L lists without copying",
         {"src/*.doc", "l", "/Y/I/S/L"},
         "l",
         {},
         "src/B.DOC\nsrc/a.doc\nsrc/with blank.doc\nsrc/日本語.doc\nsrc/sub/d.doc\n"
         "src/sub/deep/e.doc\n6 個のファイル\n"},
        {"Q prints only the count",
         {"src/*.doc", "q", "/Y/I/Q"},
         "q",
         {"B.DOC", "a.doc", "with blank.doc", "日本語.doc"},
         "4 個のファイルをコピーしました\n"},
        {"F prints both names",
         {"src/sub/d.doc", "f", "/Y/I/F"},
         "f",
         {"d.doc"},
         "src/sub/d.doc -> f/d.doc\n1 個のファイルをコピーしました\n"},
        {"T makes folders only",
         {"src/*.doc", "t", "/Y/I/S/T"},
         "t",
         {"sub/", "sub/deep/"},
         "空のフォルダー 1 個を作成しませんでした (/E で作成します)\n"
         "0 個のファイルをコピーしました\n"},
        {"U updates existing files only",
         {"src/*.doc", "existing", "/Y/U"},
         "existing",
         {"a.doc"},
         "src/a.doc\n1 個のファイルをコピーしました\n"},
        {"EXCLUDE leaves out matching paths",
         {"src", "x", "/Y/I/S/EXCLUDE:" + at("exclude.lst").string()},
         "x",
         {"B.DOC", "a.doc", "noext", "sub/", "sub/d.doc", "with blank.doc", "日本語.doc"},
         ""},
        {"EXCLUDE reads a list that starts with a byte order mark",
         {"src", "bom", "/Y/I/EXCLUDE:" + at("bom.lst").string()},
         "bom",
         {"B.DOC", "a.doc", "noext", "with blank.doc", "日本語.doc"},
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ToolResult result = xcopy(row.args);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_EQ(listTree(at(row.dst)), row.tree);
        if (!row.output.empty()) {
            EXPECT_EQ(result.output, row.output);
        }
    }
    EXPECT_EQ(readFile(at("existing/a.doc")), "a");
}

TEST_F(XcopyTest, ExistingFilesStayWithoutY) {
    writeFile(at("src/a.txt"), "new");
    writeFile(at("src/b.txt"), "b");
    writeFile(at("dst/a.txt"), "old");
    const ToolResult result = xcopy({"src", "dst", "/I"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(readFile(at("dst/a.txt")), "old");
    EXPECT_EQ(readFile(at("dst/b.txt")), "b");
    EXPECT_EQ(lastLine(result.output), "1 個のファイルをコピーしました");
}

TEST_F(XcopyTest, LargeFileArrivesWhole) {
    std::string content(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7 + i / 4096);
    writeFile(at("src/big.bin"), content);
    writeFile(at("src/empty.bin"), "");
    const ToolResult result = xcopy({"src", "dst", "/Y/I"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(readFile(at("dst/big.bin")) == content);
    EXPECT_EQ(fs::file_size(at("dst/empty.bin")), 0u);
}

// A copy whose writing fails midway (here the file size limit) leaves the old copy as it was.
TEST_F(XcopyTest, AWriteFailingMidwayLeavesTheOldCopy) {
    writeFile(at("src/big.bin"), std::string(1 << 20, 'n'));
    writeFile(at("dst/big.bin"), "the old copy");
    setTime(at("dst/big.bin"), 1000);
    // The limit makes write fail with EFBIG (its signal ignored) once 32 KiB are written.
    (void)runTool("/bin/sh", {"-c", "trap '' XFSZ; ulimit -f 64; exec \"$0\" src dst /Y/I", kXcopy},
                  ToolRun{m_tmp.path(), {}, false});
    EXPECT_EQ(readFile(at("dst/big.bin")), "the old copy");
}

// A control character in a name is written escaped: a file named like a log line cannot forge
// one in the log that takes xcopy's output.
TEST_F(XcopyTest, NamesWithControlCharactersCannotForgeLines) {
    writeFile(at("src/x\nJob End @ 1\x1b[2J"), "x");
    EXPECT_EQ(xcopy({"src", "dst", "/Y/I"}).output,
              "src/x\\nJob End @ 1\\x1B[2J\n1 個のファイルをコピーしました\n");
}

// Several files in flight (forced here on a local disk) give the same tree and the same lines in
// the same order as one at a time: copies, notes, failures with /C, a second /D run.
TEST_F(XcopyTest, FilesInFlightGiveTheSameCopyAndLines) {
    const auto run = [](const std::string& inFlight) {
        TempFolder tmp;
        // Large files first, so that later ones would be done before them.
        for (int i = 0; i < 40; ++i)
            writeFile(tmp / ("src/" + std::to_string(i % 3) + "/f" + std::to_string(i)),
                      std::string(std::size_t(40 - i) * 40000, char('a' + i % 26)));
        writeFile(tmp / "src/.hidden", "h");
        writeFile(tmp / "dst/1/f10", "older");
        fs::permissions(tmp / "dst/1/f10", fs::perms::owner_read);
        fs::create_directories(tmp / "src/empty");
        ::mkfifo((tmp / "src/2/pipe").c_str(), 0644);
        std::string lines;
        for (const char* switches : {"/Y/S/I/C", "/Y/D/S/E/I/F/C/R"}) {
            const ToolResult result =
                runTool(kXcopy, {"src", "dst", switches},
                        ToolRun{tmp.path(), {{"TREVANE_FILES_IN_FLIGHT", inFlight}}});
            lines += std::to_string(result.exitCode) + "\n" + result.output;
        }
        std::string tree;
        for (const std::string& name : listTree(tmp / "dst"))
            tree += name + " " + (name.back() == '/' ? "" : readFile(tmp / "dst" / name)) + "\n";
        return lines + tree;
    };
    EXPECT_EQ(run("4"), run("1"));
}

// Without /C a failure stops the copy as one at a time does: the files before it are copied,
// at most those already in flight after it, and the lines name exactly the files copied.
TEST_F(XcopyTest, AFailureWithFilesInFlightStopsTheCopy) {
    std::string serial;
    for (int i = 0; i < 200; ++i) {
        const std::string name = "f" + std::to_string(1000 + i);
        writeFile(at("src/" + name), name);
        if (i < 50)
            serial += "src/" + name + "\n";
    }
    fs::permissions(at("src/f1050"), fs::perms::none);
    const ToolResult result = runTool(kXcopy, {"src", "dst", "/Y/I"},
                                      ToolRun{m_tmp.path(), {{"TREVANE_FILES_IN_FLIGHT", "4"}}, true});
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(result.output.substr(0, serial.size()), serial);
    std::string named;
    for (std::size_t at = 0, end; (end = result.output.find('\n', at)) != std::string::npos;
         at = end + 1)
        if (result.output.compare(at, 5, "src/f") == 0 && result.output[at + 9] == '\n')
            named += result.output.substr(at + 4, 5) + "\n";
    std::string copied;
    for (const std::string& name : listTree(at("dst")))
        copied += name + "\n";
    EXPECT_EQ(named, copied);
    EXPECT_LT(listTree(at("dst")).size(), 60u);
}

} // namespace
} // namespace trevane::test
