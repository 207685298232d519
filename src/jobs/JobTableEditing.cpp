#include "jobs/JobTableEditing.h"

#include <algorithm>

namespace trevane {

namespace {

constexpr int FirstField = JobTable::SourceColumn;
constexpr int LastField = JobTable::CommandColumn;

// Columns 1..7 of rows top..bottom, current cell in the first column and at currentRow, or
// the nearest row of the rectangle.
GridSelection fieldRows(int top, int bottom, int currentRow) {
    return {FirstField, top, LastField, bottom, FirstField, std::clamp(currentRow, top, bottom)};
}

EditResult unchanged(const GridSelection& selection) {
    EditResult result;
    result.selection = selection;
    return result;
}

EditResult changed(const GridSelection& selection) {
    EditResult result;
    result.done = true;
    result.modified = true;
    result.selection = selection;
    return result;
}

} // namespace

JobTableEditing::JobTableEditing(JobTable& table, JobLines& snapshot)
    : m_table(table), m_snapshot(snapshot) {}

void JobTableEditing::takeSnapshot() {
    m_snapshot = m_table.tableToLines();
}

bool JobTableEditing::isDataCell(int column, int row) const {
    return column >= FirstField && column <= LastField && row >= 1 && row < m_table.rowCount();
}

std::optional<GridSelection> JobTableEditing::dataCells(const GridSelection& s) const {
    GridSelection cut;
    cut.left = std::max(std::min(s.left, s.right), FirstField);
    cut.right = std::min(std::max(s.left, s.right), LastField);
    cut.top = std::max(std::min(s.top, s.bottom), 1);
    cut.bottom = std::min(std::max(s.top, s.bottom), m_table.rowCount() - 1);
    if (cut.left > cut.right || cut.top > cut.bottom)
        return std::nullopt;
    cut.currentColumn = std::clamp(s.currentColumn, cut.left, cut.right);
    cut.currentRow = std::clamp(s.currentRow, cut.top, cut.bottom);
    return cut;
}

void JobTableEditing::clearCells(const GridSelection& s) {
    for (int c = s.left; c <= s.right; ++c)
        for (int r = s.top; r <= s.bottom; ++r)
            m_table.setCell(c, r, {});
}

EditResult JobTableEditing::cut(const GridSelection& selection) {
    const int column = selection.currentColumn;
    const int row = selection.currentRow;
    if (!isDataCell(column, row))
        return unchanged(selection);
    takeSnapshot();
    EditResult result = changed(selection);
    result.clipboardText = m_table.cell(column, row);
    m_table.setCell(column, row, {});
    return result;
}

std::string JobTableEditing::copy(const GridSelection& selection) const {
    if (!isDataCell(selection.currentColumn, selection.currentRow))
        return {};
    return m_table.cell(selection.currentColumn, selection.currentRow);
}

EditResult JobTableEditing::paste(const GridSelection& selection,
                                  const std::string& clipboardText) {
    const auto cells = dataCells(selection);
    if (!cells)
        return unchanged(selection);
    takeSnapshot();
    const std::string text = JobTable::oneLine(clipboardText);
    for (int c = cells->left; c <= cells->right; ++c)
        for (int r = cells->top; r <= cells->bottom; ++r)
            m_table.setCell(c, r, text);
    return changed(selection);
}

EditResult JobTableEditing::clearSelected(const GridSelection& selection) {
    const auto cells = dataCells(selection);
    if (!cells)
        return unchanged(selection);
    takeSnapshot();
    clearCells(*cells);
    return changed(selection);
}

EditResult JobTableEditing::insertRows(const GridSelection& selection) {
    const auto cells = dataCells(selection);
    if (!cells)
        return unchanged(selection);
    takeSnapshot();
    const int top = cells->top;
    const int bottom = cells->bottom;
    const int count = bottom - top + 1;
    const int formerLast = m_table.rowCount() - 1;
    m_table.setRowCount(m_table.rowCount() + count);
    m_table.numberRows();
    for (int r = formerLast; r >= top; --r)
        for (int c = FirstField; c <= LastField; ++c)
            m_table.setCell(c, r + count, m_table.cell(c, r));
    const GridSelection inserted = fieldRows(top, bottom, cells->currentRow);
    clearCells(inserted);
    return changed(inserted);
}

EditResult JobTableEditing::duplicateRow(const GridSelection& selection) {
    const int row = selection.currentRow;
    if (row < 1 || row >= m_table.rowCount())
        return unchanged(selection);
    takeSnapshot();
    m_table.setRowCount(m_table.rowCount() + 1);
    m_table.numberRows();
    // The copy lands in the former last row; the row just appended is the new entry row.
    const int target = m_table.rowCount() - 2;
    for (int c = FirstField; c <= LastField; ++c)
        m_table.setCell(c, target, m_table.cell(c, row));
    return changed(GridSelection::cell(FirstField, row));
}

EditResult JobTableEditing::deleteRows(const GridSelection& selection) {
    const auto cells = canDeleteRows() ? dataCells(selection) : std::nullopt;
    if (!cells)
        return unchanged(selection);
    takeSnapshot();
    const int top = cells->top;
    const int bottom = cells->bottom;
    const int count = bottom - top + 1;
    const int last = m_table.rowCount() - 1;
    for (int r = bottom + 1; r <= last; ++r)
        for (int c = FirstField; c <= LastField; ++c)
            m_table.setCell(c, r - count, m_table.cell(c, r));
    clearCells(fieldRows(last - count + 1, last, last));
    // Deleting every data row would leave no row to type into; the table keeps the header and
    // one blank row then.
    const int removed = std::min(count, m_table.rowCount() - JobTable::MinRowCount);
    m_table.setRowCount(m_table.rowCount() - removed);
    m_table.numberRows();
    const int newLast = m_table.rowCount() - 1;
    return changed(fieldRows(std::min(top, newLast), std::min(bottom, newLast), cells->currentRow));
}

EditResult JobTableEditing::copyToColumn(const GridSelection& selection) {
    const int column = selection.currentColumn;
    const int row = selection.currentRow;
    if (!isDataCell(column, row))
        return unchanged(selection);
    takeSnapshot();
    const std::string text = m_table.cell(column, row);
    for (int r = 1; r < m_table.rowCount() - 1; ++r)
        m_table.setCell(column, r, text);
    return changed(selection);
}

EditResult JobTableEditing::undo(const GridSelection& selection) {
    if (!m_snapshot)
        return unchanged(selection);
    m_table.clearData();
    m_table.linesToTable(*m_snapshot);
    const auto kept = dataCells(selection);
    EditResult result = unchanged(kept ? *kept : GridSelection::cell(FirstField, 1));
    result.done = true;
    return result;
}

bool JobTableEditing::beginRefer(const GridSelection& selection) {
    const int column = selection.currentColumn;
    if (column < JobTable::SourceColumn || column > JobTable::ArchiveColumn ||
        !isDataCell(column, selection.currentRow))
        return false;
    takeSnapshot();
    return true;
}

EditResult JobTableEditing::moveRow(int from, int to) {
    if (!m_table.moveRow(from, to))
        return unchanged(GridSelection::cell(FirstField, std::max(from, 1)));
    m_table.numberRows();
    return changed(fieldRows(to, to, to));
}

std::optional<GridSelection> JobTableEditing::selectionForPress(int column, int row, int rowCount) {
    if (row == 0 && column >= FirstField && column <= LastField && rowCount > 1)
        return GridSelection{column, 1, column, rowCount - 1, column, 1};
    if (column == JobTable::RowNumberColumn && row >= 1 && row < rowCount)
        return fieldRows(row, row, row);
    return std::nullopt;
}

bool JobTableEditing::keyStartsEditing(int virtualKey, std::string_view text, bool ctrl, bool alt) {
    if (ctrl || alt)
        return false;
    constexpr int Backspace = 0x08;
    constexpr int Delete = 0x2E;
    // Digits, letters, the number pad and F1..F11, with the few codes between them.
    constexpr int FirstTypingKey = 0x30;
    constexpr int LastTypingKey = 0x7A;
    if (virtualKey == Backspace || virtualKey == Delete ||
        (virtualKey >= FirstTypingKey && virtualKey <= LastTypingKey))
        return true;
    // Those codes were chosen for drive letters; a path here starts with "/" or "~", and a
    // pattern or a Japanese name with other characters still. A key that types a control
    // character (Enter, Tab, Escape) moves or leaves instead.
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7F;
    });
}

} // namespace trevane
