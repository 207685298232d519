#pragma once

#include <functional>
#include <string>
#include <vector>

namespace trevane {

// What the verification of one row found: how many of the files the row covers were compared
// with their backup, and the source files whose backup differs or is missing, in the order
// found. Files whose source changed after the backup (the next run backs them up) and files
// the row leaves out are neither counted nor differences.
struct VerifyReport {
    long files = 0;
    std::vector<std::string> differences;
    // Backups that are their source itself (the same device and inode: the destination is
    // the source folder through a bind mount or a link, or a hard link of the file), which no
    // comparison can prove; neither counted nor differences.
    std::vector<std::string> unverifiable;
    bool stopped = false; // a stop request ended it early: the numbers are incomplete

    // "検証しました: N 個のファイル"
    std::string summaryLine() const;
    // "検証で違いが見つかりました: PATH"
    static std::string differenceLine(const std::string& path);
    // "検証できません: コピー先はコピー元そのものです: PATH"
    static std::string unverifiableLine(const std::string& path);
};

// Asked between files (and between the blocks of a large one); true ends the verification.
using VerifyStop = std::function<bool()>;

} // namespace trevane
