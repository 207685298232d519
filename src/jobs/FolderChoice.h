#pragma once

#include "PathConventions.h"
#include "jobs/JobTable.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// What the folder dialog is choosing, fixed when it opens.
enum class FolderSelectMode {
    SfxOutput,   // the output folder of the self-extracting archive dialog
    Source,      // job table column 1
    Destination, // column 2
    Files,       // column 3: the source folder and the files to copy
    ArchiveFile, // column 4: the destination folder and the archive
};

// The rules of the folder dialog that need no widget: which mode a job-table column opens,
// where the tree starts, what a drop chooses and which cells OK writes.
class FolderChoice {
public:
    // The mode for the job table's current column: 1 to 4, nothing for any other column (the
    // dialog is then not opened).
    static std::optional<FolderSelectMode> modeForColumn(int column);

    // The heading above the tree.
    static std::string_view heading(FolderSelectMode mode);
    // Files and ArchiveFile show the file list and take a file name; the others choose a
    // folder and offer to create one.
    static bool isFileMode(FolderSelectMode mode);

    struct Start {
        std::string folder; // where the tree opens, if that folder exists
        std::string file;   // the file selected at start (file modes), if the list holds it
    };
    // The start of a job-table mode, from the cells of row.
    static Start startFor(const JobTable& table, FolderSelectMode mode, int row);

    // Everything up to and including the last separator (and, where drives exist, ':');
    // empty when there is none. "C:\Bak\data.lzh" -> "C:\Bak\", "/bak/data.lzh" -> "/bak/".
    static std::string folderPart(std::string_view path, const PathConventions& conventions);
    // What follows the folder part.
    static std::string namePart(std::string_view path, const PathConventions& conventions);

    struct Drop {
        std::string folder; // where the tree moves; empty for an empty drop
        std::string name;   // the last dropped file's name; empty when only folders came
    };
    // Files and folders dropped on the dialog, in order: a folder becomes the drop folder, a
    // file gives its folder part as the drop folder and its name as the drop name.
    static Drop dropTarget(const std::vector<std::string>& paths,
                           const std::function<bool(const std::string&)>& isDirectory,
                           const PathConventions& conventions);

    // The folder the new-folder button makes: the tree's folder, a separator unless it ends
    // in one, and the name field.
    static std::string newFolderPath(std::string_view treeFolder, std::string_view name,
                                     const PathConventions& conventions);

    // OK in a job-table mode, on row: Source and Destination put folder into their own
    // column; Files puts folder into column 1 and name into column 3; ArchiveFile puts folder
    // into column 2 and name into column 4. When row is the last row a blank entry row is
    // appended and the rows renumbered. Returns whether a row was appended. SfxOutput writes
    // nothing.
    static bool apply(JobTable& table, FolderSelectMode mode, int row, const std::string& folder,
                      const std::string& name);
};

} // namespace trevane
