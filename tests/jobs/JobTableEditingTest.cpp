#include "jobs/JobTableEditing.h"

#include <gtest/gtest.h>

using namespace trevane;
using Fields = std::vector<std::string>;

namespace {

// A table of `jobs` runnable rows ("s1","d1",... in columns 1 and 2, "x1"... in column 7)
// followed by a blank entry row.
JobTable tableWithJobs(int jobs) {
    JobTable table;
    table.setRowCount(jobs + 2);
    for (int r = 1; r <= jobs; ++r) {
        const std::string n = std::to_string(r);
        table.setCell(1, r, "s" + n);
        table.setCell(2, r, "d" + n);
        table.setCell(7, r, "x" + n);
    }
    table.numberRows();
    return table;
}

// Columns 0..7 of every row from 1 on, one text per row: "n|f1|...|f7".
std::vector<std::string> dataRows(const JobTable& table) {
    std::vector<std::string> rows;
    for (int r = 1; r < table.rowCount(); ++r) {
        std::string text = table.cell(0, r);
        for (int c = 1; c < JobTable::ColumnCount; ++c)
            text += "|" + table.cell(c, r);
        rows.push_back(text);
    }
    return rows;
}

std::string job(int number, int r) {
    const std::string n = std::to_string(r);
    return std::to_string(number) + "|s" + n + "|d" + n + "|||||x" + n;
}
const std::string blank(int number) {
    return std::to_string(number) + "|||||||";
}

GridSelection rows(int top, int bottom, int currentRow) {
    return {1, top, 7, bottom, 1, currentRow};
}

} // namespace

TEST(JobTableEditing, InsertThreeRowsAtRowTwoThenUndo) {
    JobTable table = tableWithJobs(3);
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);
    const auto before = dataRows(table);

    const EditResult inserted = editing.insertRows({2, 2, 4, 4, 3, 3});
    EXPECT_TRUE(inserted.done);
    EXPECT_TRUE(inserted.modified);
    EXPECT_EQ(inserted.selection, rows(2, 4, 3));
    EXPECT_EQ(dataRows(table), (std::vector<std::string>{job(1, 1), blank(2), blank(3), blank(4),
                                                         job(5, 2), job(6, 3), blank(7)}));

    const EditResult undone = editing.undo(inserted.selection);
    EXPECT_TRUE(undone.done);
    EXPECT_FALSE(undone.modified);
    EXPECT_EQ(dataRows(table), before);
    // A second undo gives the same table: undo takes no snapshot.
    editing.undo(undone.selection);
    EXPECT_EQ(dataRows(table), before);
}

TEST(JobTableEditing, DeleteRowsTwoToThreeOfFiveThenUndo) {
    JobTable table = tableWithJobs(5);
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);
    const auto before = dataRows(table);

    ASSERT_TRUE(editing.canDeleteRows());
    const EditResult deleted = editing.deleteRows({3, 2, 5, 3, 4, 2});
    EXPECT_TRUE(deleted.modified);
    EXPECT_EQ(deleted.selection, rows(2, 3, 2));
    EXPECT_EQ(table.rowCount(), 5);
    EXPECT_EQ(dataRows(table),
              (std::vector<std::string>{job(1, 1), job(2, 4), job(3, 5), blank(4)}));

    editing.undo(deleted.selection);
    EXPECT_EQ(dataRows(table), before);
}

TEST(JobTableEditing, DeleteEdgeCases) {
    struct Case {
        const char* name;
        int jobs;
        GridSelection selection;
        std::vector<std::string> rowsAfter;
        GridSelection selectionAfter;
    } cases[] = {
        // The entry row goes too: the table ends on a job row until text is typed below it.
        {"lastJobAndEntryRow", 3, rows(3, 4, 3), {job(1, 1), job(2, 2)}, rows(2, 2, 2)},
        // Every row selected: a table needs one row to type into, so one blank row stays.
        {"everyRow", 2, rows(1, 3, 1), {blank(1)}, rows(1, 1, 1)},
        {"selectionPastTheEnd", 2, rows(2, 9, 2), {job(1, 1)}, rows(1, 1, 1)},
    };
    for (const auto& c : cases) {
        JobTable table = tableWithJobs(c.jobs);
        JobTableEditing::JobLines lines;
        JobTableEditing editing(table, lines);
        const EditResult result = editing.deleteRows(c.selection);
        EXPECT_TRUE(result.done) << c.name;
        EXPECT_EQ(dataRows(table), c.rowsAfter) << c.name;
        EXPECT_EQ(result.selection, c.selectionAfter) << c.name;
    }

    // Only the entry row besides the header: nothing happens, no snapshot is taken.
    JobTable table;
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);
    EXPECT_FALSE(editing.canDeleteRows());
    EXPECT_FALSE(editing.deleteRows(rows(1, 1, 1)).done);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_FALSE(lines.has_value());
}

TEST(JobTableEditing, PasteIntoTwoByThreeSelection) {
    JobTable table = tableWithJobs(3);
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);

    const std::string text = "line one";
    const GridSelection selection{3, 2, 4, 4, 3, 2};
    const EditResult pasted = editing.paste(selection, text);
    EXPECT_TRUE(pasted.modified);
    EXPECT_EQ(pasted.selection, selection);
    for (int c = 3; c <= 4; ++c)
        for (int r = 1; r < table.rowCount(); ++r) {
            const bool inside = r >= 2 && r <= 4;
            EXPECT_EQ(table.cell(c, r), inside ? text : "") << c << "," << r;
        }
    EXPECT_EQ(table.cell(2, 2), "d2");
    // Row 4 was the entry row: pasting into it appends no new one.
    EXPECT_EQ(table.rowCount(), 5);
    // The snapshot was taken before the paste.
    EXPECT_EQ(lines, (std::vector<std::string>{"s1,d1,,,,,x1", "s2,d2,,,,,x2", "s3,d3,,,,,x3"}));
}

// A line break in a cell would split its row in the saved job file.
TEST(JobTableEditing, PastedAndTypedTextsKeepOneLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"/home/u/data\n", "/home/u/data"}, {"C:\\My Data\r\n", "C:\\My Data"},
        {"\r\n\n/a b\r", "/a b"},           {"line one\r\nline two", "line one"},
        {"one\rtwo\nthree", "one"},         {"\n\r\n", ""},
        {" blanks stay ", " blanks stay "}};
    for (const auto& [clipboard, cell] : cases) {
        JobTable table = tableWithJobs(1);
        JobTableEditing::JobLines lines;
        JobTableEditing(table, lines).paste({1, 1, 2, 1, 1, 1}, clipboard);
        EXPECT_EQ(table.cell(1, 1), cell) << clipboard;
        EXPECT_EQ(table.cell(2, 1), cell) << clipboard;
        // The same in the cell editor, where a paste is typed text.
        table.setEditText(3, 1, clipboard);
        EXPECT_EQ(table.cell(3, 1), cell) << clipboard;
    }
}

TEST(JobTableEditing, SelectionsNeverReachHeaderOrRowNumbers) {
    JobTable table = tableWithJobs(1);
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);
    editing.paste({0, 0, 1, 9, 1, 1}, "p");
    EXPECT_EQ(table.cell(1, 0), "コピー元ディレクトリ");
    EXPECT_EQ(table.cell(0, 1), "1");
    EXPECT_EQ(table.cell(1, 1), "p");
    EXPECT_EQ(table.cell(1, 2), "p");
    EXPECT_EQ(table.rowCount(), 3);
    // Nothing selectable at all: no snapshot, not a modification.
    lines.reset();
    const EditResult none = editing.clearSelected({0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(none.done);
    EXPECT_FALSE(none.modified);
    EXPECT_FALSE(lines.has_value());
}

TEST(JobTableEditing, CopyDownFromRowThree) {
    JobTable table = tableWithJobs(4);
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);
    table.setCell(3, 3, "*.doc");

    const EditResult copied = editing.copyToColumn({3, 3, 3, 3, 3, 3});
    EXPECT_TRUE(copied.modified);
    for (int r = 1; r <= 4; ++r)
        EXPECT_EQ(table.cell(3, r), "*.doc") << r;
    EXPECT_EQ(table.cell(3, 5), "") << "entry row";
    EXPECT_EQ(table.rowCount(), 6);
}

TEST(JobTableEditing, DuplicateCurrentRow) {
    struct Case {
        const char* name;
        int currentRow;
        bool textInLastRow;
        std::vector<std::string> rowsAfter;
    } cases[] = {
        {"intoEntryRow", 1, false, {job(1, 1), job(2, 2), job(3, 1), blank(4)}},
        // Without an entry row the former last row is overwritten.
        {"overwritesLastRow", 2, true, {job(1, 1), job(2, 2), job(3, 2), blank(4)}},
    };
    for (const auto& c : cases) {
        JobTable table = tableWithJobs(2);
        if (c.textInLastRow)
            table.setCell(5, 3, "lost");
        JobTableEditing::JobLines lines;
        JobTableEditing editing(table, lines);
        const EditResult result =
            editing.duplicateRow({4, c.currentRow, 6, c.currentRow, 5, c.currentRow});
        EXPECT_TRUE(result.modified) << c.name;
        EXPECT_EQ(result.selection, GridSelection::cell(1, c.currentRow)) << c.name;
        EXPECT_EQ(dataRows(table), c.rowsAfter) << c.name;
    }
}

TEST(JobTableEditing, CutCopyAndUndo) {
    JobTable table = tableWithJobs(2);
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);

    EXPECT_EQ(editing.copy(GridSelection::cell(2, 2)), "d2");
    EXPECT_FALSE(lines.has_value()) << "copy takes no snapshot";

    // Only the current cell is cut, whatever the selection.
    const EditResult cut = editing.cut({1, 1, 2, 2, 2, 2});
    EXPECT_TRUE(cut.modified);
    EXPECT_EQ(cut.clipboardText, "d2");
    EXPECT_EQ(table.cell(2, 2), "");
    EXPECT_EQ(table.cell(1, 1), "s1");

    // Typing after the cut is not a command: undo goes back to before the cut.
    table.setEditText(5, 1, "/Y");
    editing.undo(cut.selection);
    EXPECT_EQ(table.cell(2, 2), "d2");
    EXPECT_EQ(table.cell(5, 1), "");
}

TEST(JobTableEditing, UndoDropsRowsThatWereNotRunnable) {
    JobTable table = tableWithJobs(1);
    table.setRowCount(4);
    table.setCell(1, 2, "source only");
    table.numberRows();
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);
    editing.clearSelected(GridSelection::cell(1, 1));
    const EditResult undone = editing.undo({1, 2, 7, 3, 1, 3});
    EXPECT_EQ(dataRows(table), (std::vector<std::string>{job(1, 1), blank(2)}));
    EXPECT_EQ(undone.selection, rows(2, 2, 2)) << "kept inside the smaller table";
}

TEST(JobTableEditing, UndoAfterNewAndBeforeAnySnapshot) {
    JobTable table = tableWithJobs(2);
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);

    // Nothing edited, saved or opened yet: undo leaves the typed rows alone.
    EXPECT_FALSE(editing.undo(GridSelection::cell(1, 1)).done);
    EXPECT_EQ(dataRows(table), (std::vector<std::string>{job(1, 1), job(2, 2), blank(3)}));

    // New keeps the snapshot, so undo right after it shows the previous table's rows.
    editing.takeSnapshot();
    table.reset();
    const EditResult undone = editing.undo(GridSelection::cell(1, 1));
    EXPECT_TRUE(undone.done);
    EXPECT_FALSE(undone.modified);
    EXPECT_EQ(dataRows(table), (std::vector<std::string>{job(1, 1), job(2, 2), blank(3)}));
}

TEST(JobTableEditing, ReferOnlyForFolderAndFileColumns) {
    for (int column = 0; column < JobTable::ColumnCount; ++column) {
        JobTable table = tableWithJobs(1);
        JobTableEditing::JobLines lines;
        JobTableEditing editing(table, lines);
        const bool opens = column >= 1 && column <= 4;
        EXPECT_EQ(editing.beginRefer(GridSelection::cell(column, 1)), opens) << column;
        EXPECT_EQ(lines.has_value(), opens) << column;
    }
}

TEST(JobTableEditing, RowMovedByNumberCell) {
    JobTable table = tableWithJobs(3);
    JobTableEditing::JobLines lines;
    JobTableEditing editing(table, lines);
    const EditResult moved = editing.moveRow(3, 1);
    EXPECT_TRUE(moved.modified);
    EXPECT_EQ(dataRows(table),
              (std::vector<std::string>{job(1, 3), job(2, 1), job(3, 2), blank(4)}));
    EXPECT_FALSE(lines.has_value()) << "a row move takes no snapshot";
    EXPECT_FALSE(editing.moveRow(0, 2).done);
    EXPECT_FALSE(editing.moveRow(1, 9).modified);
}

TEST(JobTableEditing, MousePressSelections) {
    struct Case {
        const char* name;
        int column, row;
        std::optional<GridSelection> selection;
    } cases[] = {
        {"headerOfColumnTwo", 2, 0, GridSelection{2, 1, 2, 5, 2, 1}},
        {"numberCellOfRowFour", 0, 4, GridSelection{1, 4, 7, 4, 1, 4}},
        {"corner", 0, 0, std::nullopt},
        {"dataCell", 3, 2, std::nullopt},
        {"outside", -1, -1, std::nullopt},
        {"belowLastRow", 0, 6, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JobTableEditing::selectionForPress(c.column, c.row, 6), c.selection) << c.name;
}

TEST(JobTableEditing, KeysThatStartEditing) {
    struct Case {
        const char* name;
        int key;
        const char* text;
        bool ctrl, alt, starts;
    } cases[] = {
        // clang-format off
        {"A", 0x41, "a", false, false, true}, {"F11", 0x7A, "", false, false, true},
        {"F12", 0x7B, "", false, false, false}, {"backspace", 0x08, "\b", false, false, true},
        {"delete", 0x2E, "\x7f", false, false, true}, {"left", 0x25, "", false, false, false},
        {"enter", 0x0D, "\r", false, false, false}, {"space", 0x20, " ", false, false, true},
        {"slash", 0xBF, "/", false, false, true}, {"inputMethod", 0, "日本", false, false, true},
        {"ctrlSlash", 0xBF, "/", true, false, false}, {"altDelete", 0x2E, "", false, true, false},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(JobTableEditing::keyStartsEditing(c.key, c.text, c.ctrl, c.alt), c.starts)
            << c.name;

    EXPECT_TRUE(JobTableEditing::editingAllowedAfterClick(GridSelection::cell(3, 3)));
    EXPECT_FALSE(JobTableEditing::editingAllowedAfterClick({3, 3, 4, 3, 3, 3}));
}
