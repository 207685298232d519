#include "jobs/JobTable.h"
#include "jobs/FolderCell.h"
#include "jobs/JobFile.h"
#include "jobs/JobRow.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>

using namespace trevane;
using Lines = std::vector<std::string>;

namespace {

// Fills row r, columns 1..7, from fields.
void fillRow(JobTable& table, int r, const std::vector<std::string>& fields) {
    if (table.rowCount() <= r + 1)
        table.setRowCount(r + 2);
    for (size_t f = 0; f < fields.size(); ++f)
        table.setCell(static_cast<int>(f) + 1, r, fields[f]);
    table.numberRows();
}

std::vector<std::string> fieldsOf(const JobTable& table, int r) {
    std::vector<std::string> fields;
    for (int c = 1; c < JobTable::ColumnCount; ++c)
        fields.push_back(table.cell(c, r));
    return fields;
}

TEST(JobTable, NewTableIsHeaderAndOneBlankNumberedRow) {
    JobTable table;
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cell(0, 0), "");
    EXPECT_EQ(table.cell(1, 0), "コピー元ディレクトリ");
    EXPECT_EQ(table.cell(5, 0), "xcopyのスイッチ(/D/S/I/K等)");
    EXPECT_EQ(table.cell(7, 0), "任意コマンド");
    EXPECT_EQ(table.cell(0, 1), "1");
    EXPECT_EQ(fieldsOf(table, 1), std::vector<std::string>(7));

    fillRow(table, 3, {"a", "b"});
    table.reset();
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cell(1, 1), "");
}

// One reading of a row for the table, the hint, the preview and the runner: a folder cell of
// blanks makes a step (saved, shown, and told by the runner), never a row passed over.
TEST(JobTable, RowKindsAsEveryPartReadsThem) {
    using K = JobRow::Kind;
    struct Case {
        const char* name;
        std::vector<std::string> fields;
        K kind;
        bool blankSource;
    } cases[] = {
        {"blank", {}, K::Skipped, false},
        {"sourceAndDestination", {"/a", "/b"}, K::Copy, false},
        {"sourceOnly", {"/a", "", "*.c", "x.lzh"}, K::Skipped, false},
        {"destinationOnly", {"", "/b"}, K::Skipped, false},
        {"commandOnly", {"", "", "", "", "", "", "ls"}, K::Command, false},
        {"archive", {"/a", "/b", "", " x.lzh "}, K::Archive, false},
        {"blankArchiveCellIsACopy", {"/a", "/b", "", "  "}, K::Copy, false},
        {"blankSourceIsAStep", {" ", "/b"}, K::Copy, true},
        {"blankCommandCounts", {"", "", "", "", "", "", " "}, K::Command, false},
    };
    for (const auto& c : cases) {
        JobTable table;
        fillRow(table, 1, c.fields);
        const JobRow row = JobRow::fromTableRow(table.row(1));
        EXPECT_EQ(row.kind, c.kind) << c.name;
        EXPECT_EQ(row.sourceBlank(), c.blankSource) << c.name;
        EXPECT_EQ(table.isRunnable(1), c.kind != K::Skipped) << c.name;
    }
    JobTable table;
    EXPECT_FALSE(table.isRunnable(0));
    EXPECT_FALSE(table.isRunnable(5));

    const JobRow read = JobRow::fromLine("\" /a \",/b,\"\x01*.c\t\",,\" /E \",,\" cmd \"");
    EXPECT_EQ(read.source + "|" + read.files + "|" + read.xcopySwitches + "|" + read.command,
              "/a|*.c|/E| cmd ");
}

TEST(JobTable, TableToLinesKeepsRunnableRowsOnly) {
    JobTable table;
    fillRow(table, 1, {"C:\\Data", "D:\\Bak\\Data", "*.*"});
    fillRow(table, 2, {"/only/source"});
    fillRow(table, 3, {"", "", "", "", "", "", "echo \"done\""});
    fillRow(table, 4, {"/My Files", "/dst", "", "", "", "", ""});
    EXPECT_EQ(table.tableToLines(),
              (Lines{"C:\\Data,D:\\Bak\\Data,*.*,,,,", ",,,,,,\"echo \"\"done\"\"\"",
                     "\"/My Files\",/dst,,,,,"}));
}

TEST(JobTable, AllUnrunnableSavesAsZeroBytesAndReadsBackToTwoRows) {
    test::TempDir dir;
    JobTable table;
    fillRow(table, 1, {"/only/source"});
    fillRow(table, 2, {"", "/only/destination", "*.txt"});
    const std::string path = dir.file("none.cpl");
    ASSERT_TRUE(writeJobFile(path, table.tableToLines()).ok);
    EXPECT_EQ(readWholeFile(path).bytes.size(), 0u);

    JobTable reread;
    fillRow(reread, 4, {"left", "over"});
    reread.clearData();
    const JobFileLines lines = readJobFile(path);
    ASSERT_TRUE(lines.ok());
    reread.linesToTable(lines.lines);
    EXPECT_EQ(reread.rowCount(), 2);
    EXPECT_EQ(reread.cell(0, 1), "1");
    EXPECT_EQ(fieldsOf(reread, 1), std::vector<std::string>(7));
}

TEST(JobTable, RoundTripThroughAJobFile) {
    test::TempDir dir;
    JobTable table;
    const std::vector<std::vector<std::string>> rows = {
        {"/src", "/dst", "", "", "", "", ""},
        {" lead", "trail ", "a,b", "x%t.lzh", "/Y/S", "-d1", ""},
        {"", "", "", "", "", "", "say \"hi\", world"},
        {"/写真", "/バックアップ", "*.jpg", "", "", "", ""},
    };
    for (size_t r = 0; r < rows.size(); ++r)
        fillRow(table, static_cast<int>(r) + 1, rows[r]);
    const std::string path = dir.file("round.cpl");
    ASSERT_TRUE(writeJobFile(path, table.tableToLines()).ok);

    JobTable reread;
    reread.linesToTable(readJobFile(path).lines);
    ASSERT_EQ(reread.rowCount(), static_cast<int>(rows.size()) + 2);
    for (size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(fieldsOf(reread, static_cast<int>(r) + 1), rows[r]) << "row " << r + 1;
    EXPECT_EQ(reread.cell(0, 5), "5");
    EXPECT_EQ(fieldsOf(reread, 5), std::vector<std::string>(7));
}

TEST(JobTable, LinesToTableFillsColumnsInOrder) {
    JobTable table;
    table.linesToTable({"a b,c", "", "1,2,3,4,5,6,7,8,9", "x"});
    ASSERT_EQ(table.rowCount(), 6);
    EXPECT_EQ(fieldsOf(table, 1), (std::vector<std::string>{"a", "b", "c", "", "", "", ""}));
    EXPECT_EQ(fieldsOf(table, 2), std::vector<std::string>(7)); // a blank line is a row
    EXPECT_EQ(fieldsOf(table, 3), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(fieldsOf(table, 4), (std::vector<std::string>{"x", "", "", "", "", "", ""}));
    for (int r = 1; r < 6; ++r)
        EXPECT_EQ(table.cell(0, r), std::to_string(r));
}

TEST(JobTable, OnlyBlankLinesGiveOneBlankRowEachPlusEntryRow) {
    JobTable table;
    table.linesToTable({"", "", ""});
    EXPECT_EQ(table.rowCount(), 5);
    EXPECT_TRUE(table.tableToLines().empty());
}

TEST(JobTable, TypingIntoTheLastRowAppendsAnEntryRow) {
    JobTable table;
    EXPECT_FALSE(table.setEditText(3, 1, ""));
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_TRUE(table.setEditText(3, 1, "*"));
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.cell(0, 2), "2");
    EXPECT_FALSE(table.setEditText(1, 1, "/x")); // an earlier row now
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.cell(1, 1), "/x");
    EXPECT_FALSE(table.setEditText(1, 0, "header")); // never the header row
    EXPECT_EQ(table.cell(1, 0), "コピー元ディレクトリ");
}

TEST(JobTable, RowPrimitivesKeepTheHeaderAndTwoRows) {
    JobTable table;
    fillRow(table, 1, {"a"});
    fillRow(table, 2, {"b"});
    fillRow(table, 3, {"c"}); // rows: header, a, b, c, entry
    EXPECT_TRUE(table.moveRow(3, 1));
    EXPECT_EQ(table.cell(1, 1), "c");
    EXPECT_EQ(table.cell(1, 2), "a");
    EXPECT_FALSE(table.moveRow(0, 2));
    EXPECT_TRUE(table.insertRows(2, 2));
    EXPECT_EQ(table.rowCount(), 7);
    EXPECT_EQ(table.cell(1, 4), "a");
    EXPECT_FALSE(table.insertRows(0, 1));
    EXPECT_TRUE(table.removeRows(1, 5));
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_FALSE(table.removeRows(1, 1));
    EXPECT_EQ(table.cell(1, 0), "コピー元ディレクトリ");
}

struct DropCase {
    const char* name;
    int column;
    bool onLastRow;
    std::vector<std::string> paths;
    std::string folder;
    std::vector<std::string> fields; // columns 1..4 afterwards
    bool appended;
};

// A case prints as its name, in test names and failure messages alike.
void PrintTo(const DropCase& c, std::ostream* out) {
    *out << c.name;
}

class JobTableDrop : public testing::TestWithParam<DropCase> {};

TEST_P(JobTableDrop, FillsCellsByTheCurrentColumn) {
    const DropCase& c = GetParam();
    const std::set<std::string> folders = {"/home/u/photos", "/srv"};
    const auto isDirectory = [&](const std::string& p) { return folders.count(p) > 0; };
    JobTable table;
    table.setRowCount(3);
    for (int r = 1; r <= 2; ++r) {
        for (int col = 1; col <= 7; ++col)
            table.setCell(col, r, std::string(1, "sdfaxuc"[col - 1]));
    }
    table.numberRows();
    const int row = c.onLastRow ? 2 : 1;
    const int rowsBefore = table.rowCount();

    const JobTable::DropResult result = table.dropFiles(c.column, row, c.paths, isDirectory);
    EXPECT_EQ(result.folder, c.folder);
    EXPECT_EQ(result.rowAppended, c.appended);
    EXPECT_EQ(table.rowCount(), rowsBefore + (c.appended ? 1 : 0));
    std::vector<std::string> fields;
    for (int col = 1; col <= 4; ++col)
        fields.push_back(table.cell(col, row));
    EXPECT_EQ(fields, c.fields);
    EXPECT_EQ(table.cell(7, row), "c");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JobTableDrop,
    testing::Values(
        DropCase{"fileOnSource",
                 1,
                 false,
                 {"/home/u/a.txt"},
                 "/home/u/",
                 {"/home/u/", "d", "f", "a"},
                 false},
        DropCase{
            "folderOnDestinationLastRow", 2, true, {"/srv"}, "/srv", {"s", "/srv", "f", "a"}, true},
        DropCase{"fileOnFilesLastRowAppendsNothing",
                 3,
                 true,
                 {"/home/u/a.txt"},
                 "/home/u/",
                 {"/home/u/", "d", "a.txt", "a"},
                 false},
        DropCase{"fileOnArchive",
                 4,
                 false,
                 {"/bak/b.lzh"},
                 "/bak/",
                 {"s", "/bak/", "f", "b.lzh"},
                 false},
        DropCase{"lastPathDecidesFolderNameStays",
                 3,
                 false,
                 {"/home/u/a.txt", "/home/u/photos"},
                 "/home/u/photos",
                 {"/home/u/photos", "d", "a.txt", "a"},
                 false},
        DropCase{
            "folderAloneGivesEmptyName", 3, false, {"/srv"}, "/srv", {"/srv", "d", "", "a"}, false},
        DropCase{"switchColumnChangesNothing",
                 5,
                 false,
                 {"/home/u/a.txt"},
                 "/home/u/",
                 {"s", "d", "f", "a"},
                 false},
        DropCase{
            "commandColumnChangesNothing", 7, true, {"/srv"}, "/srv", {"s", "d", "f", "a"}, false},
        DropCase{"emptyDrop", 1, false, {}, "", {"s", "d", "f", "a"}, false}),
    [](const auto& info) { return info.param.name; });

} // namespace

namespace {

// HOME for the life of the object.
class ScopedHome {
public:
    explicit ScopedHome(const char* home) {
        if (const char* old = std::getenv("HOME"))
            m_saved = old;
        ::setenv("HOME", home, 1);
    }
    ~ScopedHome() { m_saved ? ::setenv("HOME", m_saved->c_str(), 1) : ::unsetenv("HOME"); }

private:
    std::optional<std::string> m_saved;
};

// The one reading of a folder cell that the runner, the preview, the restore window and the
// grid's last folder share.
TEST(FolderCell, ReadsACellAsARunDoes) {
    const ScopedHome home("/home/u/");
    using S = FolderCell::Status;
    const struct {
        const char* cell;
        S status;
        const char* text;
    } cases[] = {
        {" /srv/data/ ", S::Folder, "/srv/data"},
        {"/", S::Folder, "/"},
        {"~", S::Folder, "/home/u"},
        {"\t~/bak ", S::Folder, "/home/u/bak"},
        {"~bak", S::NotAbsolute, "~bak"},
        {"~user/bak", S::NotAbsolute, "~user/bak"},
        {" backup", S::NotAbsolute, "backup"},
        {"./bak", S::NotAbsolute, "./bak"},
        {" \t ", S::Blank, ""},
    };
    for (const auto& c : cases) {
        const FolderCell read = FolderCell::read(c.cell);
        EXPECT_EQ(read.status, c.status) << c.cell;
        EXPECT_EQ(read.text, c.text) << c.cell;
    }
}

TEST(JobTable, FolderForCellTakesExistingFoldersOnly) {
    const ScopedHome home("/home/u");
    const std::set<std::string> folders = {"/src", "/dst", "/home/u/bak", "bak"};
    const auto isDirectory = [&](const std::string& p) { return folders.count(p) > 0; };
    JobTable table;
    table.setRowCount(4);
    table.setCell(1, 1, "  /src ");
    table.setCell(2, 1, "/dst");
    table.setCell(1, 2, "/src");
    table.setCell(2, 2, "/gone");
    table.setCell(1, 3, "~/bak");
    table.setCell(2, 3, "bak"); // a folder below wherever the program was started: no folder
    struct {
        int column, row;
        std::optional<std::string> folder;
    } cases[] = {
        {1, 1, "/src"},       {2, 1, "/dst"},        {3, 1, "/dst"},       {3, 2, "/src"},
        {4, 1, "/dst"},       {4, 2, std::nullopt},  {5, 1, std::nullopt}, {0, 1, std::nullopt},
        {1, 0, std::nullopt}, {1, 3, "/home/u/bak"}, {2, 3, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(table.folderForCell(c.column, c.row, isDirectory), c.folder)
            << c.column << "," << c.row;
}

} // namespace
