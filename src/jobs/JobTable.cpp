#include "jobs/JobTable.h"

#include "jobs/JobRow.h"

#include "jobs/CommaText.h"
#include "jobs/FolderCell.h"

#include <algorithm>

namespace trevane {

namespace {

const std::string& emptyText() {
    static const std::string empty;
    return empty;
}

} // namespace

const std::array<std::string_view, JobTable::ColumnCount>& JobTable::headerTexts() {
    static const std::array<std::string_view, ColumnCount> headers = {
        "",
        "コピー元ディレクトリ",
        "コピー先ディレクトリ",
        "コピーするファイル",
        "書庫ファイル(.lzh)",
        "xcopyのスイッチ(/D/S/I/K等)",
        "u(圧縮)のスイッチ(-d1等)",
        "任意コマンド",
    };
    return headers;
}

const std::array<int, JobTable::ColumnCount>& JobTable::initialColumnWidths() {
    static const std::array<int, ColumnCount> widths = {23, 142, 130, 106, 99, 86, 85, 92};
    return widths;
}

std::string JobTable::oneLine(std::string_view text) {
    const auto first = text.find_first_not_of("\r\n");
    if (first == std::string_view::npos)
        return {};
    text.remove_prefix(first);
    return std::string(text.substr(0, text.find_first_of("\r\n")));
}

JobTable::JobTable() {
    reset();
}

void JobTable::reset() {
    m_rows.assign(MinRowCount, Row{});
    for (int c = 0; c < ColumnCount; ++c)
        m_rows[0][c] = headerTexts()[c];
    numberRows();
}

void JobTable::setRowCount(int rows) {
    m_rows.resize(static_cast<size_t>(std::max(rows, MinRowCount)));
}

bool JobTable::validCell(int column, int row) const {
    return column >= 0 && column < ColumnCount && row >= 0 && row < rowCount();
}

const std::string& JobTable::cell(int column, int row) const {
    return validCell(column, row) ? m_rows[row][column] : emptyText();
}

void JobTable::setCell(int column, int row, std::string text) {
    if (validCell(column, row))
        m_rows[row][column] = std::move(text);
}

const JobTable::Row& JobTable::row(int r) const {
    static const Row blank{};
    return (r >= 0 && r < rowCount()) ? m_rows[r] : blank;
}

bool JobTable::insertRows(int before, int count) {
    if (before < 1 || before > rowCount() || count < 0)
        return false;
    m_rows.insert(m_rows.begin() + before, static_cast<size_t>(count), Row{});
    return true;
}

bool JobTable::removeRows(int first, int count) {
    if (first < 1 || count < 0 || first + count > rowCount() || rowCount() - count < MinRowCount)
        return false;
    m_rows.erase(m_rows.begin() + first, m_rows.begin() + first + count);
    return true;
}

bool JobTable::moveRow(int from, int to) {
    if (from < 1 || to < 1 || from >= rowCount() || to >= rowCount())
        return false;
    Row moved = std::move(m_rows[from]);
    m_rows.erase(m_rows.begin() + from);
    m_rows.insert(m_rows.begin() + to, std::move(moved));
    return true;
}

void JobTable::numberRows() {
    for (int r = 1; r < rowCount(); ++r)
        m_rows[r][RowNumberColumn] = std::to_string(r);
}

bool JobTable::isRunnable(int r) const {
    if (r < 1 || r >= rowCount())
        return false;
    return JobRow::fromTableRow(m_rows[r]).isStep();
}

std::vector<std::string> JobTable::tableToLines() const {
    std::vector<std::string> lines;
    std::vector<std::string> fields(FieldCount);
    for (int r = 1; r < rowCount(); ++r) {
        if (!isRunnable(r))
            continue;
        for (int f = 0; f < FieldCount; ++f)
            fields[f] = m_rows[r][f + 1];
        lines.push_back(joinCommaText(fields));
    }
    return lines;
}

void JobTable::linesToTable(const std::vector<std::string>& lines) {
    m_rows.resize(lines.size() + 2);
    numberRows();
    for (size_t i = 0; i < lines.size(); ++i) {
        Row& row = m_rows[i + 1];
        std::vector<std::string> items = splitCommaText(lines[i]);
        for (int f = 0; f < FieldCount; ++f)
            row[f + 1] = f < static_cast<int>(items.size()) ? std::move(items[f]) : std::string();
    }
    // The entry row starts blank even when the table held text there before.
    Row& entry = m_rows.back();
    for (int c = 1; c < ColumnCount; ++c)
        entry[c].clear();
}

void JobTable::clearData() {
    for (int r = 1; r < rowCount(); ++r)
        m_rows[r] = Row{};
}

bool JobTable::setEditText(int column, int row, std::string text) {
    if (!validCell(column, row) || row == 0)
        return false;
    text = oneLine(text);
    const bool grow = row == rowCount() - 1 && !text.empty();
    m_rows[row][column] = std::move(text);
    if (!grow)
        return false;
    m_rows.emplace_back();
    numberRows();
    return true;
}

std::optional<std::string>
JobTable::folderForCell(int column, int row,
                        const std::function<bool(const std::string&)>& isDirectory) const {
    if (row < 1 || row >= rowCount())
        return std::nullopt;
    std::vector<int> candidates;
    switch (column) {
    case SourceColumn:
    case DestinationColumn:
        candidates = {column};
        break;
    case FilesColumn:
        candidates = {SourceColumn, DestinationColumn};
        break;
    case ArchiveColumn:
        candidates = {DestinationColumn};
        break;
    default:
        break;
    }
    std::optional<std::string> folder;
    for (const int c : candidates) {
        FolderCell cell = FolderCell::read(m_rows[row][c]);
        if (cell.isFolder() && isDirectory(cell.text))
            folder = std::move(cell.text);
    }
    return folder;
}

JobTable::DropResult JobTable::dropFiles(int column, int row, const std::vector<std::string>& paths,
                                         const std::function<bool(const std::string&)>& isDirectory,
                                         const PathConventions& conventions) {
    DropResult result;
    std::string name;
    for (const std::string& path : paths) {
        if (isDirectory(path)) {
            result.folder = path;
            continue;
        }
        const auto cut = path.rfind(conventions.separator);
        const size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
        result.folder = path.substr(0, nameStart);
        name = path.substr(nameStart);
    }
    if (paths.empty() || row < 1 || row >= rowCount())
        return result;

    switch (column) {
    case SourceColumn:
    case DestinationColumn:
        m_rows[row][column] = result.folder;
        if (row == rowCount() - 1) {
            m_rows.emplace_back();
            numberRows();
            result.rowAppended = true;
        }
        break;
    case FilesColumn:
        m_rows[row][SourceColumn] = result.folder;
        m_rows[row][FilesColumn] = name;
        break;
    case ArchiveColumn:
        m_rows[row][DestinationColumn] = result.folder;
        m_rows[row][ArchiveColumn] = name;
        break;
    default:
        break;
    }
    return result;
}

} // namespace trevane
