#include "jobs/FolderCell.h"

#include "PathConventions.h"
#include "jobs/CommaText.h"
#include "platform/AppPaths.h"

namespace trevane {

FolderCell FolderCell::read(std::string_view cell) {
    std::string text = trimBlanks(cell);
    if (text.empty())
        return {};
    std::string folder = withHomeFolder(text);
    const PathConventions conv = PathConventions::native();
    if (!conv.isAbsolute(folder))
        return {Status::NotAbsolute, std::move(text)};
    return {Status::Folder, conv.withoutTrailingSeparators(std::move(folder))};
}

std::string FolderCell::skipLine(int rowNumber, Side side) const {
    const std::string column =
        side == Side::Source ? "コピー元ディレクトリ" : "コピー先ディレクトリ";
    const std::string row = std::to_string(rowNumber) + " 行目: ";
    switch (status) {
    case Status::Blank:
        return row + column + "が空白なのでスキップしました";
    case Status::NotAbsolute:
        return row + column + "「" + text + "」は絶対パスではないのでスキップしました";
    case Status::Folder:
        break;
    }
    return {};
}

} // namespace trevane
