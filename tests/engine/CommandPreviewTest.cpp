// The command list preview: its lines for every kind of row.

#include "engine/CommandPreview.h"
#include "engine/JobCommands.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

using namespace trevane;

namespace {

const std::string Marker(CommandPreview::IncompleteMarker);
constexpr std::string_view Xcopy = "/Y/D/S/I/K/R";
constexpr std::string_view U = "-d1";
constexpr std::string_view Stamp = "000115";

// Cells of columns 1..7: source, destination, files, archive, xcopy, u, command.
JobTable::Row cells(std::string src, std::string dst, std::string files = {},
                    std::string archive = {}, std::string xcopy = {}, std::string u = {},
                    std::string command = {}) {
    return {"",
            std::move(src),
            std::move(dst),
            std::move(files),
            std::move(archive),
            std::move(xcopy),
            std::move(u),
            std::move(command)};
}

struct Case {
    const char* name;
    JobTable::Row row;
    std::string command;
    bool incomplete;
};

TEST(CommandPreviewTest, RowLines) {
    const Case cases[] = {
        {"blank row", cells("", ""), R"(xcopy "" "" /Y/D/S/I/K/R)", true},
        {"copy", cells("/data/", "/bak", "*.doc"), R"(xcopy "/data/*.doc" "/bak" /Y/D/S/I/K/R)",
         false},
        {"copy from the root", cells("/", "/bak/", "*.*"), R"(xcopy "//*.*" "/bak" /Y/D/S/I/K/R)",
         false},
        {"every trailing separator removed", cells("/data//", "/"),
         R"(xcopy "/data" "/" /Y/D/S/I/K/R)", false},
        {"own xcopy switches replace the defaults", cells("/a", "/b", "", "", "/E"),
         R"(xcopy "/a" "/b" /E)", false},
        {"cells trimmed as the runner reads them", cells(" /a ", "/b ", " x"),
         R"(xcopy "/a/x" "/b" /Y/D/S/I/K/R)", false},
        {"copy without destination", cells("/data", ""), R"(xcopy "/data" "" /Y/D/S/I/K/R)", true},
        {"a relative source the runner refuses", cells("data", "/bak"),
         R"(xcopy "data" "/bak" /Y/D/S/I/K/R)", true},
        {"another user's home the runner refuses", cells("/data", " ~user/bak", "", "a.lzh"),
         R"(u "~user/bak/a.lzh" "/data/" -d1)", true},
        {"command row", cells("/data", "", "*.*", "a.lzh", "", "", "notepad a.txt"),
         "notepad a.txt", false},
        {"archive", cells("/data", "/bak/", "", "d%t.lzh"), R"(u "/bak/d000115.lzh" "/data/" -d1)",
         false},
        {"archive with files and own switches",
         cells("/data/", "/bak/", "*.txt", "a%t%t.lzh", "", "-c"),
         R"(u "/bak/a000115%t.lzh" "/data/" "*.txt" -c)", false},
        {"archive from the root", cells("/", "/bak", "etc", "a.lzh"),
         R"(u "/bak/a.lzh" "/" "etc" -d1)", false},
        {"archive with an empty source", cells("", "/bak", "", "a.lzh"),
         R"(u "/bak/a.lzh" "/" -d1)", true},
        {"archive with an empty destination", cells("/data", "", "", "a.lzh"),
         R"(u "/a.lzh" "/data/" -d1)", true},
        {"backslash is a name byte", cells(R"(/a\)", "/b"), R"(xcopy "/a\" "/b" /Y/D/S/I/K/R)",
         false},
        {"quotes doubled as the runner does", cells(R"(/a"b)", "/c"),
         R"(xcopy "/a""b" "/c" /Y/D/S/I/K/R)", false},
    };
    for (const Case& c : cases) {
        const CommandPreview::RowLine line =
            CommandPreview::rowLine(c.row, Xcopy, U, Stamp, PathConventions::native());
        EXPECT_EQ(line.command, c.command) << c.name;
        EXPECT_EQ(line.directoriesIncomplete, c.incomplete) << c.name;
    }
}

// Where the preview and the runner agree (a plain copy row), the lines are the same.
TEST(CommandPreviewTest, PlainCopyRowMatchesTheRunner) {
    const PathConventions conv = PathConventions::native();
    const std::string src = "/data/", dst = "/bak";
    const std::string runner = JobCommands::copyCommand(
        JobCommands::sourceArgument(conv, conv.withoutTrailingSeparators(src), "*.doc"),
        conv.withoutTrailingSeparators(dst), Xcopy);
    EXPECT_EQ(CommandPreview::rowLine(cells(src, dst, "*.doc"), Xcopy, U, Stamp, conv).command,
              runner);
}

// The runner takes a leading "~" as the home folder; the preview names the same folders.
TEST(CommandPreviewTest, LeadingTildeIsTheHomeFolderAsTheRunnerTakesIt) {
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", "/home/user/", 1);
    const PathConventions posix = PathConventions::native();
    const std::pair<JobTable::Row, std::string> cases[] = {
        {cells("~/data", "~/bak/", "*.doc"),
         R"(xcopy "/home/user/data/*.doc" "/home/user/bak" /Y/D/S/I/K/R)"},
        {cells("~", "/bak", "", "a.lzh"), R"(u "/bak/a.lzh" "/home/user/" -d1)"},
        {cells("~other/x", "a~/b"), R"(xcopy "~other/x" "a~/b" /Y/D/S/I/K/R)"},
    };
    std::vector<std::string> got;
    for (const auto& [row, line] : cases)
        got.push_back(CommandPreview::rowLine(row, Xcopy, U, Stamp, posix).command);
    oldHome ? ::setenv("HOME", savedHome.c_str(), 1) : ::unsetenv("HOME");
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], cases[i].second) << i;
}

TEST(CommandPreviewTest, ListsEveryRowBetweenHeaderAndEntryRow) {
    JobTable table;
    EXPECT_TRUE(CommandPreview::lines(table, Xcopy, U, Stamp, PathConventions::native()).empty())
        << "only the entry row";

    table.linesToTable({"/a,/b,,,,,", "", R"(,,,,,,"echo hi")", "/c,,,x%t.lzh,,,"});
    table.setCell(JobTable::SourceColumn, table.rowCount() - 1, "/typed/in/entry/row");
    const std::vector<std::string> expected = {
        R"(xcopy "/a" "/b" /Y/D/S/I/K/R)",
        R"(xcopy "" "" /Y/D/S/I/K/R)",
        Marker,
        "echo hi",
        R"(u "/x000115.lzh" "/c/" -d1)",
        Marker,
    };
    EXPECT_EQ(CommandPreview::lines(table, Xcopy, U, Stamp, PathConventions::native()), expected);
}

TEST(CommandPreviewTest, MarkerAndCaption) {
    EXPECT_EQ(Marker.substr(0, 3), "\xE3\x80\x80") << "ideographic space first";
    EXPECT_EQ(Marker, "　=> ディレクトリ指定が不十分");

    struct CaptionCase {
        const char* file;
        PathConventions conventions;
        const char* caption;
    };
    const CaptionCase cases[] = {
        {"新規.cpl", PathConventions::native(), "実行コマンド一覧 - 新規.cpl"},
        {"/home/u/CPL/daily.cpl", PathConventions::native(), "実行コマンド一覧 - daily.cpl"},
        {"", PathConventions::native(), "実行コマンド一覧 - "},
    };
    for (const CaptionCase& c : cases)
        EXPECT_EQ(CommandPreview::caption(c.file, c.conventions), c.caption) << c.file;
}

struct HintCase {
    const char* name;
    std::vector<std::string> fields;
    std::string hint;
};

// A case prints as its name, in test names and failure messages alike.
void PrintTo(const HintCase& c, std::ostream* out) {
    *out << c.name;
}

class RowHint : public testing::TestWithParam<HintCase> {};

TEST_P(RowHint, ShowsTheCommandTheRowStandsFor) {
    const HintCase& c = GetParam();
    JobTable table;
    for (std::size_t i = 0; i < c.fields.size(); ++i)
        table.setEditText(static_cast<int>(i) + 1, 1, c.fields[i]);
    EXPECT_EQ(CommandPreview::rowHint(table, 1, "/Y/D/S/I/K", "-d1", "000115"), c.hint);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RowHint,
    testing::Values(
        HintCase{"copyRowNoFilesOwnSwitches",
                 {"/data/", "/bak", "", "", "/S"},
                 "|xcopy \"/data\" \"/bak\" /S"},
        HintCase{"rootSourcePosix", {"/", "/bak/", "*.*"}, "|xcopy \"//*.*\" \"/bak\" /Y/D/S/I/K"},
        HintCase{"archiveOnlyFirstStampReplaced",
                 {"/data", "/bak/", "*.c", "b%t-%t.lzh", "", "-c"},
                 "|u \"/bak/b000115-%t.lzh\" \"/data/\" \"*.c\" -c"},
        HintCase{"archiveStampCaseSensitive",
                 {"/data", "/bak", "", "b%T.lzh"},
                 "|u \"/bak/b%T.lzh\" \"/data/\" -d1"},
        HintCase{
            "commandWins", {"/data", "/bak", "", "x.lzh", "", "", "make  all "}, "|make  all "},
        HintCase{"notRunnable", {"/data"}, ""}),
    [](const auto& info) { return info.param.name; });

TEST(RowHint, NoHintForHeaderEntryRowAndBelow) {
    JobTable table;
    table.setEditText(1, 1, "/a");
    table.setEditText(2, 1, "/b\"q");
    table.setCell(1, 2, "/c"); // the entry row: runnable but never hinted
    table.setCell(2, 2, "/d");
    EXPECT_EQ(CommandPreview::rowHint(table, 0, "/Y", "", ""), "");
    EXPECT_EQ(CommandPreview::rowHint(table, 2, "/Y", "", ""), "");
    EXPECT_EQ(CommandPreview::rowHint(table, 3, "/Y", "", ""), "");
    // One quoting rule: an inner quote is doubled, as in the command that runs.
    EXPECT_EQ(CommandPreview::rowHint(table, 1, "/Y", "", ""), "|xcopy \"/a\" \"/b\"\"q\" /Y");
}

} // namespace
