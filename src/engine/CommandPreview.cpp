#include "engine/CommandPreview.h"

#include "engine/JobCommands.h"
#include "jobs/FolderCell.h"
#include "jobs/JobRow.h"

namespace trevane {

CommandPreview::RowLine CommandPreview::rowLine(const JobTable::Row& cells,
                                                std::string_view xcopySwitches,
                                                std::string_view uSwitches, std::string_view stamp,
                                                const PathConventions& conventions) {
    const JobRow row = JobRow::fromTableRow(cells);
    if (row.kind == JobRow::Kind::Command)
        return {row.command, false};

    // Folder cells as the runner reads them ("~" is the home folder): the line shown names the
    // folder the copy really goes to, not a quoted "~" that a shell would take as a name. A cell
    // the runner refuses is shown as typed, and the line is marked.
    const FolderCell source = FolderCell::read(row.source);
    const FolderCell destination = FolderCell::read(row.destination);
    const std::string& src = source.text;
    const std::string& dst = destination.text;

    RowLine line;
    line.directoriesIncomplete = !source.isFolder() || !destination.isFolder();

    if (!row.archive.empty()) {
        const std::string_view switches = row.uSwitches.empty() ? uSwitches : row.uSwitches;
        const std::string name = JobCommands::stampArchiveName(row.archive, stamp);
        // Unlike the runner, the base folder keeps a root's separator as the only one, so
        // "C:\" is shown as "C:\" and an empty source as the bare separator.
        line.command = JobCommands::archivePreviewCommand(
            conventions.withTrailingSeparator(dst) + name, conventions.withTrailingSeparator(src),
            row.files, switches);
        return line;
    }

    const std::string_view switches =
        row.xcopySwitches.empty() ? xcopySwitches : row.xcopySwitches;
    line.command = JobCommands::copyCommand(
        JobCommands::sourceArgument(conventions, src, row.files), dst, switches);
    return line;
}

std::vector<std::string> CommandPreview::lines(const JobTable& table,
                                               std::string_view xcopySwitches,
                                               std::string_view uSwitches, std::string_view stamp,
                                               const PathConventions& conventions) {
    std::vector<std::string> out;
    for (int r = 1; r <= table.rowCount() - 2; ++r) {
        RowLine line = rowLine(table.row(r), xcopySwitches, uSwitches, stamp, conventions);
        out.push_back(std::move(line.command));
        if (line.directoriesIncomplete)
            out.emplace_back(IncompleteMarker);
    }
    return out;
}

std::string CommandPreview::rowHint(const JobTable& table, int row, std::string_view xcopySwitches,
                                    std::string_view uSwitches, std::string_view stamp,
                                    const PathConventions& conventions) {
    if (row < 1 || row > table.rowCount() - 2 || !table.isRunnable(row))
        return {};
    std::string hint = "|";
    hint += rowLine(table.row(row), xcopySwitches, uSwitches, stamp, conventions).command;
    return hint;
}

std::string CommandPreview::caption(std::string_view currentFile,
                                    const PathConventions& conventions) {
    return "実行コマンド一覧 - " + conventions.fileName(currentFile);
}

} // namespace trevane
