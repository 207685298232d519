#pragma once

#include "PathConventions.h"

#include <string>
#include <string_view>

namespace trevane {

// Every command line the program builds from a job row or hands to the archiver: the runner's
// steps, the command list preview, the row hint of the job table and the self-extracting
// archive. Pure functions of the cells, the switches and the platform's path conventions, with
// one quoting rule for all. The separator and roots come from PathConventions, so the
// same rules give "xcopy "C:\Data\*.doc" "D:\Bak" /Y/D/S/I/K/R" with Windows conventions and
// "xcopy "/data/*.doc" "/bak" /Y/D/S/I/K/R" on POSIX.
class JobCommands {
public:
    // A double quote, text, a double quote. A double quote inside text is doubled, which the
    // command-line splitter reads back as one (paths on Windows cannot hold one anyway).
    static std::string quoted(std::string_view text);

    // name with its first "%t" (case-sensitive) replaced by stamp.
    static std::string stampArchiveName(std::string_view name, std::string_view stamp);

    // Q(src + separator + files), or Q(src) when files is empty.
    static std::string sourceArgument(const PathConventions& conv, std::string_view src,
                                      std::string_view files);

    // "xcopy " + sourceArgument + " " + Q(dst) + " " + switches.
    static std::string copyCommand(std::string_view sourceArgument, std::string_view dst,
                                   std::string_view switches);

    // The runner's archive command: "u " + Q(archivePath) + " " + Q(src + separator) + " " +
    // (Q(files) or nothing) + " " + switches. The empty file argument and empty switches keep
    // their separating blanks.
    static std::string archiveCommand(const PathConventions& conv, std::string_view archivePath,
                                      std::string_view src, std::string_view files,
                                      std::string_view switches);
    // The file the archiver writes for an archive path: it adds ".lzh" to a name without an
    // extension.
    static std::string archiveFile(const PathConventions& conv, std::string archivePath);
    // The same with the base folder as given, where an empty files argument is dropped
    // together with its blank (the preview's and the row hint's spelling).
    static std::string archivePreviewCommand(std::string_view archivePath,
                                             std::string_view baseFolder, std::string_view files,
                                             std::string_view switches);

    // The archiver's command that makes a self-extracting archive: s "archive" "folder" -gw,
    // where the folder gets a trailing separator unless it has one (an empty folder becomes
    // the separator alone).
    static std::string selfExtractingCommand(const PathConventions& conv, std::string_view archive,
                                             std::string_view folder);

    // "deltree /Y " + Q(dst): empties and removes the destination.
    static std::string clearCommand(std::string_view dst);

    // The folder window for dst: "xdg-open " + Q(dst).
    static std::string folderWindowCommand(std::string_view dst);
};

} // namespace trevane
