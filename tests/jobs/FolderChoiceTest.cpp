// The rules behind the folder dialog without widgets: the bookmark list and its file, the cells
// each mode writes, and drops.

#include "jobs/FolderChoice.h"
#include "jobs/DirBookmarks.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

using namespace trevane;

namespace {

using Entries = std::vector<std::string>;

TEST(DirBookmarks, VisitingMovesOrInsertsAtTheTop) {
    struct Case {
        const char* name;
        Entries before;
        std::string visited;
        Entries after;
    };
    const Case cases[] = {
        {"new text goes first", {"/a", "/b"}, "/c", {"/c", "/a", "/b"}},
        {"known entry moves up", {"/a", "/b", "/c"}, "/c", {"/c", "/a", "/b"}},
        {"top entry stays", {"/a", "/b"}, "/a", {"/a", "/b"}},
        {"empty text adds nothing", {"/a"}, "", {"/a"}},
        {"empty list", {}, "/a", {"/a"}},
        {"other case is another folder", {"/a", "/B"}, "/b", {"/b", "/a", "/B"}},
    };
    for (const Case& c : cases) {
        DirBookmarks list(c.before);
        const std::string top = list.visit(c.visited);
        EXPECT_EQ(list.entries(), c.after) << c.name;
        EXPECT_EQ(top, c.after.empty() ? std::string() : c.after.front()) << c.name;
    }
}

TEST(DirBookmarks, VisitingABAKeepsAThenB) {
    DirBookmarks list({"/old"});
    list.visit("/A");
    list.visit("/B");
    list.visit("/A");
    EXPECT_EQ(list.entries(), (Entries{"/A", "/B", "/old"}));
}

TEST(DirBookmarks, RemoveTakesTheEqualEntryOnly) {
    DirBookmarks list({"/a", "/b", "/c"});
    EXPECT_TRUE(list.remove("/b"));
    EXPECT_FALSE(list.remove("/B"));
    EXPECT_FALSE(list.remove(""));
    EXPECT_EQ(list.entries(), (Entries{"/a", "/c"}));
}

TEST(DirBookmarks, FileLines) {
    struct Case {
        const char* name;
        std::string bytes;
        Entries lines;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"CR LF", "/a\r\n/b\r\n", {"/a", "/b"}},
        {"LF and a last line without end", "/a\n/b", {"/a", "/b"}},
        {"CR alone", "/a\r/b\r", {"/a", "/b"}},
        {"empty line kept", "/a\r\n\r\n/b\r\n", {"/a", "", "/b"}},
        {"Japanese", "/データ/保存\r\n", {"/データ/保存"}},
        {"byte order mark of a text editor", "\xEF\xBB\xBF/a\r\n", {"/a"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DirBookmarks::parse(c.bytes), c.lines) << c.name;
    EXPECT_EQ(DirBookmarks::format({"/a", "/データ"}), "/a\r\n/データ\r\n");
    EXPECT_EQ(DirBookmarks::format({}), "");
}

TEST(DirBookmarks, LoadAndSave) {
    const test::TempDir dir;
    const std::string file = dir.file("DirList.txt");
    EXPECT_TRUE(DirBookmarks::load(file).empty()); // missing: no entries, no error
    DirBookmarks list({"/x", "/y"});
    ASSERT_TRUE(list.save(file).ok);
    EXPECT_EQ(DirBookmarks::load(file), (Entries{"/x", "/y"}));
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "/x\r\n/y\r\n");
    // A folder where the file should be: the save fails and says why.
    EXPECT_FALSE(list.save(dir.file("missing/DirList.txt")).ok);
}

TEST(FolderChoice, OnlyColumnsOneToFourOpenTheDialog) {
    for (int column : {0, 5, 6, 7, 8})
        EXPECT_FALSE(FolderChoice::modeForColumn(column)) << column;
    EXPECT_EQ(FolderChoice::modeForColumn(4), FolderSelectMode::ArchiveFile);
    EXPECT_EQ(FolderChoice::heading(FolderSelectMode::SfxOutput), "自動解凍書庫作成先");
}

JobTable twoRowTable() {
    JobTable table;
    table.setRowCount(3); // header, one job row, the entry row
    table.numberRows();
    table.setCell(1, 1, "/src");
    table.setCell(2, 1, "/dst");
    table.setCell(3, 1, "*.doc");
    table.setCell(4, 1, "bak.lzh");
    return table;
}

TEST(FolderChoice, OkWritesTheCellsOfEachMode) {
    struct Case {
        const char* name;
        FolderSelectMode mode;
        int row;
        std::array<std::string, 4> cells; // columns 1..4 of the row afterwards
        bool appended;
    };
    const Case cases[] = {
        {"source", FolderSelectMode::Source, 1, {"/new", "/dst", "*.doc", "bak.lzh"}, false},
        {"destination",
         FolderSelectMode::Destination,
         1,
         {"/src", "/new", "*.doc", "bak.lzh"},
         false},
        {"files", FolderSelectMode::Files, 1, {"/new", "/dst", "a.txt", "bak.lzh"}, false},
        {"archive", FolderSelectMode::ArchiveFile, 1, {"/src", "/new", "*.doc", "a.txt"}, false},
        {"entry row", FolderSelectMode::Destination, 2, {"", "/new", "", ""}, true},
        {"files on the entry row", FolderSelectMode::Files, 2, {"/new", "", "a.txt", ""}, true},
    };
    for (const Case& c : cases) {
        JobTable table = twoRowTable();
        const bool appended = FolderChoice::apply(table, c.mode, c.row, "/new", "a.txt");
        EXPECT_EQ(appended, c.appended) << c.name;
        EXPECT_EQ(table.rowCount(), c.appended ? 4 : 3) << c.name;
        for (int column = 1; column <= 4; ++column)
            EXPECT_EQ(table.cell(column, c.row), c.cells[column - 1]) << c.name << " " << column;
        if (c.appended) {
            EXPECT_EQ(table.cell(0, 3), "3") << c.name;
            for (int column = 1; column < JobTable::ColumnCount; ++column)
                EXPECT_EQ(table.cell(column, 3), "") << c.name;
        }
    }
    JobTable table = twoRowTable();
    EXPECT_FALSE(FolderChoice::apply(table, FolderSelectMode::SfxOutput, 2, "/new", ""));
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.cell(2, 2), "");
}

TEST(FolderChoice, FolderAndNameParts) {
    const auto conv = PathConventions::native();
    struct Case {
        std::string path;
        std::string folder, name;
    };
    const Case cases[] = {
        {"data.lzh", "", "data.lzh"},
        {"/bak/data.lzh", "/bak/", "data.lzh"},
        {"/bak/a:b.lzh", "/bak/", "a:b.lzh"}, // ':' is a name character on POSIX
        {"/bak/", "/bak/", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderChoice::folderPart(c.path, conv), c.folder) << c.path;
        EXPECT_EQ(FolderChoice::namePart(c.path, conv), c.name) << c.path;
    }
    EXPECT_EQ(FolderChoice::newFolderPath("/home/u", "新規フォルダ", conv), "/home/u/新規フォルダ");
    EXPECT_EQ(FolderChoice::newFolderPath("/", "x", conv), "/x");
}

TEST(FolderChoice, Drops) {
    const std::set<std::string> folders = {"/d1", "/d2"};
    auto isDirectory = [&](const std::string& p) { return folders.count(p) > 0; };
    struct Case {
        const char* name;
        std::vector<std::string> paths;
        std::string folder, fileName;
    };
    const Case cases[] = {
        {"nothing", {}, "", ""},
        {"a folder", {"/d1"}, "/d1", ""},
        {"folders only: the last", {"/d1", "/d2"}, "/d2", ""},
        {"folder then file", {"/d1", "/f/x.txt"}, "/f/", "x.txt"},
        {"file then folder keeps the name", {"/f/x.txt", "/d2"}, "/d2", "x.txt"},
    };
    for (const Case& c : cases) {
        const auto drop = FolderChoice::dropTarget(c.paths, isDirectory, PathConventions::native());
        EXPECT_EQ(drop.folder, c.folder) << c.name;
        EXPECT_EQ(drop.name, c.fileName) << c.name;
    }
}

// --- the self-extracting archive's command --------------------------------------------------

} // namespace
