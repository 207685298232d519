#pragma once

#include <string>
#include <string_view>

namespace trevane {

// A source or destination cell read as a folder: the one reading of the runner, the command
// preview, the restore window and the job grid's last folder, so that what one of them shows
// is what another runs.
//
// The cell loses its leading and trailing bytes 0x00-0x20; a "~" alone or before "/" is the home
// folder (withHomeFolder); trailing separators go, a root keeps its own. A folder that is still
// not absolute after that ("backup", "~user/bak", "~/bak" with no home folder known) is refused:
// it would name a folder below wherever the program was started.
struct FolderCell {
    enum class Status {
        Blank,       // nothing but blanks: no folder
        NotAbsolute, // refused; text is the cell as trimmed
        Folder,      // text is the folder
    };
    enum class Side { Source, Destination };

    Status status = Status::Blank;
    std::string text;

    static FolderCell read(std::string_view cell);

    bool isFolder() const { return status == Status::Folder; }

    // The line a run logs when it skips row rowNumber for this cell (a Blank or NotAbsolute
    // one), e.g. "3 行目: コピー先ディレクトリ「backup」は絶対パスではないのでスキップしました".
    // Empty for a folder.
    std::string skipLine(int rowNumber, Side side) const;
};

} // namespace trevane
