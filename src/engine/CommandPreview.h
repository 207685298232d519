#pragma once

#include "PathConventions.h"
#include "jobs/JobTable.h"

#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The command list preview: the command line every row of the job table on screen stands for,
// before anything runs. Pure functions of the table, the switch texts of the options check
// list, one time stamp and the path conventions.
//
// The preview looks like the runner's commands but is built from different data, on purpose:
// - every row between the header and the entry row is listed, runnable or not; its cells are
//   read as the runner reads them (JobRow: trimmed, the command as typed);
// - an empty switch cell takes the check list's switch text, not the saved job options;
// - no folder is looked at, cleared, created or opened;
// - the archive base argument gets a separator only when the source lacks one (a root such as
//   "C:\" or "/" stays as it is), and an empty files cell drops the file argument together
//   with its blank;
// - a copy or archive row whose source or destination is blank or not absolute is listed,
//   followed by IncompleteMarker (the runner does not run it);
// - "%t" takes the one stamp given for the whole list, not the moment each row runs.
// A leading "~" of a source or destination is the home folder, as the runner takes it.
// Quoting is the runner's (JobCommands::quoted), so a saved copy row without switch cells shows
// exactly the command that runs.
class CommandPreview {
public:
    // The line that follows a copy or archive line whose source or destination is empty. It
    // starts with an ideographic space (U+3000).
    static constexpr std::string_view IncompleteMarker = "\xE3\x80\x80=> ディレクトリ指定が不十分";

    struct RowLine {
        std::string command;
        // The source or the destination is blank or not absolute (FolderCell), so the runner
        // skips the row; never set for a command row.
        bool directoriesIncomplete = false;
    };

    // The preview of one job row (columns 1..7 of row; column 0 is not read). xcopySwitches
    // and uSwitches stand in for empty switch cells; stamp replaces the first "%t" of the
    // archive name.
    static RowLine rowLine(const JobTable::Row& row, std::string_view xcopySwitches,
                           std::string_view uSwitches, std::string_view stamp,
                           const PathConventions& conventions);

    // The preview of rows 1 .. rowCount()-2 in order: each row's command, and after it
    // IncompleteMarker when the row's directories are incomplete. A table holding only its
    // entry row gives no lines.
    static std::vector<std::string> lines(const JobTable& table, std::string_view xcopySwitches,
                                          std::string_view uSwitches, std::string_view stamp,
                                          const PathConventions& conventions);

    // The job table's hint for a row under the mouse: empty for the header, the entry row,
    // rows below it and rows that are not runnable; otherwise "|" and the row's preview line
    // (the part after "|" is what the status bar shows).
    static std::string rowHint(const JobTable& table, int row, std::string_view xcopySwitches,
                               std::string_view uSwitches, std::string_view stamp,
                               const PathConventions& conventions = PathConventions::native());

    // The window caption: "実行コマンド一覧 - " and the file-name part of the current job file
    // (the text after its last separator).
    static std::string caption(std::string_view currentFile, const PathConventions& conventions);
};

} // namespace trevane
