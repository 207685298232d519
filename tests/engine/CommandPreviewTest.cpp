// The command list preview: its lines for every kind of row, with Windows spellings (the
// examples users know) and with the POSIX ones the program really uses.

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
    PathConventions conventions;
    JobTable::Row row;
    std::string command;
    bool incomplete;
};

TEST(CommandPreviewTest, RowLines) {
    const PathConventions win = PathConventions::windows();
    const PathConventions posix = PathConventions::posix();
    const Case cases[] = {
        {"blank row", win, cells("", ""), R"(xcopy "" "" /Y/D/S/I/K/R)", true},
        {"copy with files", win, cells(R"(C:\Data)", R"(D:\Bak\)", "*.doc"),
         R"(xcopy "C:\Data\*.doc" "D:\Bak" /Y/D/S/I/K/R)", false},
        {"copy from a root", win, cells(R"(C:\)", R"(D:\Bak)", "*.*"),
         R"(xcopy "C:\\*.*" "D:\Bak" /Y/D/S/I/K/R)", false},
        {"only one separator removed", win, cells(R"(C:\Data\\)", R"(D:\)"),
         R"(xcopy "C:\Data\" "D:\" /Y/D/S/I/K/R)", false},
        {"own xcopy switches replace the defaults", win, cells(R"(C:\a)", R"(D:\b)", "", "", "/E"),
         R"(xcopy "C:\a" "D:\b" /E)", false},
        {"cells trimmed as the runner reads them", win, cells(R"( C:\a )", R"(D:\b )", " x"),
         R"(xcopy "C:\a\x" "D:\b" /Y/D/S/I/K/R)", false},
        {"copy without destination", win, cells(R"(C:\Data)", ""),
         R"(xcopy "C:\Data" "" /Y/D/S/I/K/R)", true},
        {"a lone separator is empty after the rule", win, cells("\\", R"(D:\b)"),
         R"(xcopy "" "D:\b" /Y/D/S/I/K/R)", true},
        {"command row", win, cells(R"(C:\Data)", "", "*.*", "a.lzh", "", "", "notepad a.txt"),
         "notepad a.txt", false},
        {"archive row", win, cells(R"(C:\Data)", R"(D:\Bak)", "", "data%t.lzh"),
         R"(u "D:\Bak\data000115.lzh" "C:\Data\" -d1)", false},
        {"archive with files and own switches", win,
         cells(R"(C:\Data\)", R"(D:\Bak\)", "*.txt", "a%t%t.lzh", "", "-c"),
         R"(u "D:\Bak\a000115%t.lzh" "C:\Data\" "*.txt" -c)", false},
        {"archive from a root", win, cells(R"(C:\)", R"(D:\)", "", "a.lzh"),
         R"(u "D:\a.lzh" "C:\" -d1)", false},
        {"archive with an empty source", win, cells("", R"(D:\Bak)", "", "a.lzh"),
         R"(u "D:\Bak\a.lzh" "\" -d1)", true},
        {"archive with an empty destination", win, cells(R"(C:\Data)", "", "", "a.lzh"),
         R"(u "\a.lzh" "C:\Data\" -d1)", true},
        {"posix copy", posix, cells("/data/", "/bak", "*.doc"),
         R"(xcopy "/data/*.doc" "/bak" /Y/D/S/I/K/R)", false},
        {"posix copy from the root", posix, cells("/", "/bak/", "*.*"),
         R"(xcopy "//*.*" "/bak" /Y/D/S/I/K/R)", false},
        {"posix archive", posix, cells("/data", "/bak/", "", "d%t.lzh"),
         R"(u "/bak/d000115.lzh" "/data/" -d1)", false},
        {"posix archive from the root", posix, cells("/", "/bak", "etc", "a.lzh"),
         R"(u "/bak/a.lzh" "/" "etc" -d1)", false},
        {"posix archive with an empty source", posix, cells("", "/bak", "", "a.lzh"),
         R"(u "/bak/a.lzh" "/" -d1)", true},
        {"backslash is a name byte on posix", posix, cells(R"(/a\)", "/b"),
         R"(xcopy "/a\" "/b" /Y/D/S/I/K/R)", false},
        {"quotes doubled as the runner does", posix, cells(R"(/a"b)", "/c"),
         R"(xcopy "/a""b" "/c" /Y/D/S/I/K/R)", false},
    };
    for (const Case& c : cases) {
        const CommandPreview::RowLine line =
            CommandPreview::rowLine(c.row, Xcopy, U, Stamp, c.conventions);
        EXPECT_EQ(line.command, c.command) << c.name;
        EXPECT_EQ(line.directoriesIncomplete, c.incomplete) << c.name;
    }
}

// Where the preview and the runner agree (a plain copy row), the lines are the same.
TEST(CommandPreviewTest, PlainCopyRowMatchesTheRunner) {
    for (const PathConventions& conv : {PathConventions::windows(), PathConventions::posix()}) {
        const std::string sep(1, conv.separator);
        const std::string src = sep + "data" + sep, dst = sep + "bak";
        const std::string runner = JobCommands::copyCommand(
            JobCommands::sourceArgument(conv, conv.withoutTrailingSeparator(src), "*.doc"),
            conv.withoutTrailingSeparator(dst), Xcopy);
        EXPECT_EQ(CommandPreview::rowLine(cells(src, dst, "*.doc"), Xcopy, U, Stamp, conv).command,
                  runner);
    }
}

// The runner takes a leading "~" as the home folder; the preview names the same folders.
TEST(CommandPreviewTest, LeadingTildeIsTheHomeFolderAsTheRunnerTakesIt) {
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", "/home/user/", 1);
    const PathConventions posix = PathConventions::posix();
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
    EXPECT_TRUE(CommandPreview::lines(table, Xcopy, U, Stamp, PathConventions::posix()).empty())
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
    EXPECT_EQ(CommandPreview::lines(table, Xcopy, U, Stamp, PathConventions::posix()), expected);
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
        {"新規.cpl", PathConventions::posix(), "実行コマンド一覧 - 新規.cpl"},
        {"/home/u/CPL/daily.cpl", PathConventions::posix(), "実行コマンド一覧 - daily.cpl"},
        {R"(C:\Tools\CPL\毎日.cpl)", PathConventions::windows(), "実行コマンド一覧 - 毎日.cpl"},
        {"", PathConventions::posix(), "実行コマンド一覧 - "},
    };
    for (const CaptionCase& c : cases)
        EXPECT_EQ(CommandPreview::caption(c.file, c.conventions), c.caption) << c.file;
}

struct HintCase {
    const char* name;
    std::vector<std::string> fields;
    bool windows;
    std::string hint;
};

class RowHint : public testing::TestWithParam<HintCase> {};

TEST_P(RowHint, ShowsTheCommandTheRowStandsFor) {
    const HintCase& c = GetParam();
    JobTable table;
    for (std::size_t i = 0; i < c.fields.size(); ++i)
        table.setEditText(static_cast<int>(i) + 1, 1, c.fields[i]);
    const PathConventions conventions =
        c.windows ? PathConventions::windows() : PathConventions::posix();
    EXPECT_EQ(CommandPreview::rowHint(table, 1, "/Y/D/S/I/K", "-d1", "000115", conventions),
              c.hint);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RowHint,
    testing::Values(HintCase{"copyRowWindows",
                             {"C:\\Data", "D:\\Bak\\", "*.doc"},
                             true,
                             "|xcopy \"C:\\Data\\*.doc\" \"D:\\Bak\" /Y/D/S/I/K"},
                    HintCase{"rootSourceWindows",
                             {"C:\\", "D:\\", "*.*"},
                             true,
                             "|xcopy \"C:\\\\*.*\" \"D:\\\" /Y/D/S/I/K"},
                    HintCase{"copyRowNoFilesOwnSwitches",
                             {"/data/", "/bak", "", "", "/S"},
                             false,
                             "|xcopy \"/data\" \"/bak\" /S"},
                    HintCase{"rootSourcePosix",
                             {"/", "/bak/", "*.*"},
                             false,
                             "|xcopy \"//*.*\" \"/bak\" /Y/D/S/I/K"},
                    HintCase{"archiveRowWindows",
                             {"C:\\Data", "D:\\Bak", "", "data%t.lzh"},
                             true,
                             "|u \"D:\\Bak\\data000115.lzh\" \"C:\\Data\\\" -d1"},
                    HintCase{"archiveOnlyFirstStampReplaced",
                             {"/data", "/bak/", "*.c", "b%t-%t.lzh", "", "-c"},
                             false,
                             "|u \"/bak/b000115-%t.lzh\" \"/data/\" \"*.c\" -c"},
                    HintCase{"archiveStampCaseSensitive",
                             {"/data", "/bak", "", "b%T.lzh"},
                             false,
                             "|u \"/bak/b%T.lzh\" \"/data/\" -d1"},
                    HintCase{"commandWins",
                             {"/data", "/bak", "", "x.lzh", "", "", "make  all "},
                             false,
                             "|make  all "},
                    HintCase{"notRunnable", {"/data"}, false, ""}),
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
