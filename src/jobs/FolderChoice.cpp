#include "jobs/FolderChoice.h"

namespace trevane {

std::optional<FolderSelectMode> FolderChoice::modeForColumn(int column) {
    switch (column) {
    case JobTable::SourceColumn:
        return FolderSelectMode::Source;
    case JobTable::DestinationColumn:
        return FolderSelectMode::Destination;
    case JobTable::FilesColumn:
        return FolderSelectMode::Files;
    case JobTable::ArchiveColumn:
        return FolderSelectMode::ArchiveFile;
    default:
        return std::nullopt;
    }
}

std::string_view FolderChoice::heading(FolderSelectMode mode) {
    switch (mode) {
    case FolderSelectMode::SfxOutput:
        return "自動解凍書庫作成先";
    case FolderSelectMode::Source:
        return "コピー元ディレクトリ";
    case FolderSelectMode::Destination:
        return "コピー先ディレクトリ";
    case FolderSelectMode::Files:
        return "コピーするファイル";
    case FolderSelectMode::ArchiveFile:
        return "書庫ファイル";
    }
    return {};
}

bool FolderChoice::isFileMode(FolderSelectMode mode) {
    return mode == FolderSelectMode::Files || mode == FolderSelectMode::ArchiveFile;
}

FolderChoice::Start FolderChoice::startFor(const JobTable& table, FolderSelectMode mode, int row) {
    switch (mode) {
    case FolderSelectMode::Source:
        return {table.cell(JobTable::SourceColumn, row), {}};
    case FolderSelectMode::Destination:
        return {table.cell(JobTable::DestinationColumn, row), {}};
    case FolderSelectMode::Files:
        return {table.cell(JobTable::SourceColumn, row), table.cell(JobTable::FilesColumn, row)};
    case FolderSelectMode::ArchiveFile:
        return {table.cell(JobTable::DestinationColumn, row),
                table.cell(JobTable::ArchiveColumn, row)};
    case FolderSelectMode::SfxOutput:
        break;
    }
    return {};
}

namespace {
std::size_t folderPartLength(std::string_view path, const PathConventions& conventions) {
    for (std::size_t i = path.size(); i > 0; --i) {
        const char c = path[i - 1];
        if (c == conventions.separator)
            return i;
    }
    return 0;
}
} // namespace

std::string FolderChoice::folderPart(std::string_view path, const PathConventions& conventions) {
    return std::string(path.substr(0, folderPartLength(path, conventions)));
}

std::string FolderChoice::namePart(std::string_view path, const PathConventions& conventions) {
    return std::string(path.substr(folderPartLength(path, conventions)));
}

FolderChoice::Drop
FolderChoice::dropTarget(const std::vector<std::string>& paths,
                         const std::function<bool(const std::string&)>& isDirectory,
                         const PathConventions& conventions) {
    Drop drop;
    for (const std::string& path : paths) {
        if (isDirectory(path)) {
            drop.folder = path;
        } else {
            drop.folder = folderPart(path, conventions);
            drop.name = namePart(path, conventions);
        }
    }
    return drop;
}

std::string FolderChoice::newFolderPath(std::string_view treeFolder, std::string_view name,
                                        const PathConventions& conventions) {
    std::string path = conventions.withTrailingSeparator(std::string(treeFolder));
    path.append(name);
    return path;
}

bool FolderChoice::apply(JobTable& table, FolderSelectMode mode, int row, const std::string& folder,
                         const std::string& name) {
    switch (mode) {
    case FolderSelectMode::SfxOutput:
        return false;
    case FolderSelectMode::Source:
        table.setCell(JobTable::SourceColumn, row, folder);
        break;
    case FolderSelectMode::Destination:
        table.setCell(JobTable::DestinationColumn, row, folder);
        break;
    case FolderSelectMode::Files:
        table.setCell(JobTable::SourceColumn, row, folder);
        table.setCell(JobTable::FilesColumn, row, name);
        break;
    case FolderSelectMode::ArchiveFile:
        table.setCell(JobTable::DestinationColumn, row, folder);
        table.setCell(JobTable::ArchiveColumn, row, name);
        break;
    }
    if (row != table.rowCount() - 1)
        return false;
    table.setRowCount(table.rowCount() + 1);
    table.numberRows();
    return true;
}

} // namespace trevane
