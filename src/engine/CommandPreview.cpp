#include "engine/CommandPreview.h"

#include "engine/JobCommands.h"
#include "platform/AppPaths.h"

namespace trevane {

CommandPreview::RowLine CommandPreview::rowLine(const JobTable::Row& row,
                                                std::string_view xcopySwitches,
                                                std::string_view uSwitches, std::string_view stamp,
                                                const PathConventions& conventions) {
    const std::string& files = row[JobTable::FilesColumn];
    const std::string& archive = row[JobTable::ArchiveColumn];
    const std::string& command = row[JobTable::CommandColumn];

    // Folder cells as the runner reads them ("~" is the home folder): the line shown names the
    // folder the copy really goes to, not a quoted "~" that a shell would take as a name.
    std::string dst = conventions.withoutTrailingSeparator(
        typedFolder(conventions, row[JobTable::DestinationColumn]));
    std::string src =
        conventions.withoutTrailingSeparator(typedFolder(conventions, row[JobTable::SourceColumn]));

    if (!command.empty())
        return {command, false};

    RowLine line;
    line.directoriesIncomplete = src.empty() || dst.empty();

    if (!archive.empty()) {
        const std::string& own = row[JobTable::USwitchesColumn];
        const std::string_view switches = own.empty() ? uSwitches : std::string_view(own);
        const std::string name = JobCommands::stampArchiveName(archive, stamp);
        // Unlike the runner, the base folder keeps a root's separator as the only one, so
        // "C:\" is shown as "C:\" and an empty source as the bare separator.
        line.command = JobCommands::archivePreviewCommand(
            conventions.withTrailingSeparator(dst) + name, conventions.withTrailingSeparator(src),
            files, switches);
        return line;
    }

    const std::string& own = row[JobTable::XcopySwitchesColumn];
    const std::string_view switches = own.empty() ? xcopySwitches : std::string_view(own);
    line.command = JobCommands::copyCommand(JobCommands::sourceArgument(conventions, src, files),
                                            dst, switches);
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
    std::size_t start = currentFile.find_last_of(conventions.separator);
    if (conventions.driveRoots) {
        const std::size_t colon = currentFile.find_last_of(':');
        if (colon != std::string_view::npos && (start == std::string_view::npos || colon > start))
            start = colon;
    }
    const std::string_view name =
        start == std::string_view::npos ? currentFile : currentFile.substr(start + 1);
    std::string out = "実行コマンド一覧 - ";
    out.append(name);
    return out;
}

} // namespace trevane
