#pragma once

#include "jobs/JobTable.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// A selected rectangle of the job grid in grid coordinates (column 0 = row numbers, row 0 =
// header), plus the current cell, which lies inside it.
struct GridSelection {
    int left = 1;
    int top = 1;
    int right = 1;
    int bottom = 1;
    int currentColumn = 1;
    int currentRow = 1;

    // The single cell (column, row), current.
    static GridSelection cell(int column, int row) {
        return {column, row, column, row, column, row};
    }
    bool isSingleCell() const { return left == right && top == bottom; }
    bool operator==(const GridSelection&) const = default;
};

// What an editing command did, for the window to show.
struct EditResult {
    bool done = false;         // false: the command changed nothing and took no snapshot
    bool modified = false;     // the window sets its modified flag (commands never clear it)
    GridSelection selection;   // the selection the grid shows afterwards
    std::string clipboardText; // cut: the text the window puts on the clipboard
};

// The editing commands of the job grid (edit menu, table popup, mouse and keys), on a JobTable
// and the window's job lines list, which is the undo snapshot.
//
// The object keeps references to both; they must outlive it. The questions ("clear the
// selected cells?", "delete the selected rows?"), the clipboard and the folder picker are the
// window's: it asks first and calls the command only on Yes, and it passes clipboard text in.
//
// Selections handed in may be anything; every command keeps to the data cells (columns 1..7,
// rows 1..rowCount()-1), so the header row and the row numbers are never written.
class JobTableEditing {
public:
    using JobLines = std::optional<std::vector<std::string>>;

    JobTableEditing(JobTable& table, JobLines& snapshot);

    // The job lines list rebuilt from the table (as saving does); every command that changes
    // cells does this first, so undo returns to the state before the last command.
    void takeSnapshot();

    // Cut: snapshot, the current cell's text to the clipboard, the current cell cleared. Only
    // the current cell, whatever the selection.
    EditResult cut(const GridSelection& selection);
    // Copy: the current cell's text for the clipboard. No snapshot; not a modification.
    std::string copy(const GridSelection& selection) const;
    // Paste: snapshot; clipboardText (its one line, JobTable::oneLine) into every selected
    // cell. Pasting into the entry row appends no new entry row.
    EditResult paste(const GridSelection& selection, const std::string& clipboardText);
    // Clear the selected cells (after the window's question): snapshot, then empty them.
    EditResult clearSelected(const GridSelection& selection);

    // Inserts as many blank rows above the selection as it spans: the rows from its top down
    // move down, the selection (columns 1..7) covers the new blank rows, current column 1.
    EditResult insertRows(const GridSelection& selection);
    // Duplicates the current row into the former last row (normally the entry row, whose text
    // is overwritten when it had any) and appends a new blank last row.
    EditResult duplicateRow(const GridSelection& selection);
    // Whether delete does anything: there must be a data row besides the entry row (three
    // rows with the header). The window asks its question only then.
    bool canDeleteRows() const { return canDeleteRows(m_table); }
    static bool canDeleteRows(const JobTable& table) { return table.rowCount() >= 3; }
    // Deletes the selected rows (after the question) and closes the gap: the rows below move
    // up, the table shrinks, the selection covers columns 1..7 of the same rows where they
    // still exist. The table keeps at least the header and one row.
    EditResult deleteRows(const GridSelection& selection);
    // Copies the current cell's text into its column in every row from 1 to the row before
    // the last (the entry row is left alone).
    EditResult copyToColumn(const GridSelection& selection);
    // Restores the table from the snapshot; takes no snapshot and is not a modification, so
    // a second undo gives the same table. Without a snapshot (nothing edited, saved or opened
    // since start-up) it does nothing rather than wipe the table.
    EditResult undo(const GridSelection& selection);

    // The folder picker for the current cell: only for columns 1..4 (source, destination,
    // files, archive); then a snapshot is taken and the window opens the picker, setting the
    // modified flag when it is closed with OK. Returns whether to open it.
    bool beginRefer(const GridSelection& selection);

    // A row was dragged by its number cell from row `from` to row `to` (index after the move):
    // move it, renumber, modified. No snapshot. Not done for the header or rows out of range.
    EditResult moveRow(int from, int to);

    // --- pure rules of the grid's mouse and keys ----------------------------------------------

    // A mouse press on (column, row): in the header row at column 1..7 the whole column from
    // row 1 to the last row, current row 1; on the number cell of row r >= 1 columns 1..7 of
    // that row, current column 1. Elsewhere (a data cell, the corner, outside) nothing.
    static std::optional<GridSelection> selectionForPress(int column, int row, int rowCount);
    // In-place editing is allowed after a click when the selection is a single cell; the next
    // cell move or mouse press forbids it again.
    static bool editingAllowedAfterClick(const GridSelection& selection) {
        return selection.isSingleCell();
    }
    // A key pressed on the grid (its code as KeyList.ini numbers keys, and the text it types in the
    // locale's code page) starts editing the current cell and sets the modified flag: Backspace
    // (0x08), Delete (0x2E), 0x30..0x7A (digits, letters, number pad, F1..F11), and every key
    // that types printable text ("/", "~", "*", ".", a blank, Japanese), so that the text lands
    // in the cell whole; none while Ctrl or Alt is held. Shift does not matter. Text from an
    // input method is asked with virtual key 0.
    static bool keyStartsEditing(int virtualKey, std::string_view text, bool ctrl, bool alt);

private:
    // Empties the selected data cells; no snapshot.
    void clearCells(const GridSelection& selection);
    // The selection cut to the data cells, or nothing when none is left.
    std::optional<GridSelection> dataCells(const GridSelection& selection) const;
    bool isDataCell(int column, int row) const;

    JobTable& m_table;
    JobLines& m_snapshot;
};

} // namespace trevane
