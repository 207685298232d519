#include "jobs/JobRow.h"

#include "jobs/CommaText.h"

namespace trevane {

std::string JobRow::trimmed(std::string_view cell) {
    return trimBlanks(cell);
}

JobRow JobRow::fromCells(const std::vector<std::string>& cells) {
    const auto cell = [&cells](std::size_t i) -> std::string_view {
        return i < cells.size() ? std::string_view(cells[i]) : std::string_view();
    };
    JobRow row;
    row.source = trimmed(cell(0));
    row.destination = trimmed(cell(1));
    row.files = trimmed(cell(2));
    row.archive = trimmed(cell(3));
    row.xcopySwitches = trimmed(cell(4));
    row.uSwitches = trimmed(cell(5));
    row.command = std::string(cell(6));
    // Blanks count as content when deciding what is a step: a folder cell of blanks is kept in
    // the job file, and the runner says why it cannot copy it rather than pass over it.
    if (!row.command.empty())
        row.kind = Kind::Command;
    else if (cell(0).empty() || cell(1).empty())
        row.kind = Kind::Skipped;
    else
        row.kind = row.archive.empty() ? Kind::Copy : Kind::Archive;
    return row;
}

JobRow JobRow::fromLine(std::string_view line) {
    return fromCells(splitCommaText(line));
}

JobRow JobRow::fromTableRow(const JobTable::Row& row) {
    return fromCells(std::vector<std::string>(row.begin() + 1, row.end()));
}

} // namespace trevane
