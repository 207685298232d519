#pragma once

#include "PathConventions.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The cells of the job grid `sgCopyList`, without any widget.
//
// The table has 8 columns and at least 2 rows. Row 0 holds the header texts (its column-0
// cell is empty); column 0 of rows 1.. holds the row numbers ("1", "2", ...) once
// numberRows() has run. Columns 1 to 7 of a data row are the seven fields of a job row:
// source folder, destination folder, files, archive, xcopy switches, u switches, command.
// The last row is the entry row, normally blank, kept for typing a new job row.
//
// Texts are bytes in the locale's code page. The widget model (QTableView) sits over this
// class and forwards edits to it; rows are numbered here, not in the widget.
class JobTable {
public:
    static constexpr int ColumnCount = 8;
    static constexpr int FieldCount = 7; // columns 1..7
    static constexpr int MinRowCount = 2;

    enum Column : int {
        RowNumberColumn = 0,
        SourceColumn = 1,
        DestinationColumn = 2,
        FilesColumn = 3,
        ArchiveColumn = 4,
        XcopySwitchesColumn = 5,
        USwitchesColumn = 6,
        CommandColumn = 7,
    };

    static const std::array<std::string_view, ColumnCount>& headerTexts();
    // Widths in pixels the columns start with.
    static const std::array<int, ColumnCount>& initialColumnWidths();
    // What a cell keeps of a text pasted or typed into it. A job file holds a row on one line,
    // so a cell holds no line break: the line breaks around text (a path copied from a
    // terminal with its line end) are dropped, and of several lines only the first is kept.
    static std::string oneLine(std::string_view text);

    // A new table: the header row and one blank numbered row.
    JobTable();

    // Back to the new-table state (header row plus one blank numbered row).
    void reset();

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    // Grows with blank rows or cuts rows off the end; never below MinRowCount. Does not
    // renumber.
    void setRowCount(int rows);

    // Out-of-range cells read as empty and ignore writes.
    const std::string& cell(int column, int row) const;
    void setCell(int column, int row, std::string text);

    // Rows are vectors of ColumnCount texts, column 0 included.
    using Row = std::array<std::string, ColumnCount>;
    const Row& row(int row) const;

    // Row-level primitives for the editing commands; none of them renumbers and none leaves
    // fewer than MinRowCount rows. Row 0 (the header row) is never inserted before, removed
    // or moved; calls that would touch it, or run out of range, do nothing and return false.
    bool insertRows(int before, int count); // blank rows; before may be rowCount()
    bool removeRows(int first, int count);
    bool moveRow(int from, int to); // to is the row index after the move

    // Column 0 of rows 1..rowCount()-1 <- the row number in decimal.
    void numberRows();

    // A row that is a step of the job (JobRow::isStep): its command (column 7) is non-empty, or
    // its source and destination both are. Empty means the empty text exactly: blanks count as
    // content. Row 0 and rows out of range are not runnable.
    bool isRunnable(int row) const;

    // One comma-text line (columns 1..7) for every runnable row, top to bottom.
    std::vector<std::string> tableToLines() const;

    // The header row, one row per line, then the blank entry row; numbered. Each line is split
    // into items that fill columns 1, 2, ...; items past the seventh are dropped.
    void linesToTable(const std::vector<std::string>& lines);

    // Empties every cell of rows 1.. (row numbers included); the row count stays.
    void clearData();

    // The grid reports a changed text of the cell being edited. Stores it (oneLine), and when row
    // is the last row and text is non-empty appends a blank row and renumbers. Returns whether a
    // row was appended. (Remembering a folder the text names, and widening the column to fit, are
    // the window's part.)
    bool setEditText(int column, int row, std::string text);

    // The folder a click on (column, row) makes the last folder, if any: the cell read as a run
    // reads it (FolderCell), taken only when isDirectory says it names a folder. Columns 1 and 2
    // look at themselves; column 3 at the source, then the destination (the destination wins when
    // both qualify); column 4 at the destination; other columns and rows give nothing.
    std::optional<std::string>
    folderForCell(int column, int row,
                  const std::function<bool(const std::string&)>& isDirectory) const;

    struct DropResult {
        std::string folder;       // the new last folder
        bool rowAppended = false; // a blank entry row was appended (and rows renumbered)
    };
    // Files dropped while (column, row) is the current cell. Every path in turn decides the
    // folder: a directory is the folder itself; a file gives its folder part, separator
    // included, and its name. Then: column 1 or 2 gets the folder (and on the last row a blank
    // row is appended); column 3 sets source <- folder and files <- name; column 4 sets
    // destination <- folder and archive <- name; other columns change nothing. The caller sets
    // the modified flag and the last folder in every case. An empty drop changes nothing and
    // returns an empty folder.
    DropResult dropFiles(int column, int row, const std::vector<std::string>& paths,
                         const std::function<bool(const std::string&)>& isDirectory,
                         const PathConventions& conventions = PathConventions::native());

    bool operator==(const JobTable&) const = default;

private:
    bool validCell(int column, int row) const;

    std::vector<Row> m_rows;
};

} // namespace trevane
