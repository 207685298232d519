#include "engine/VerifyReport.h"

namespace trevane {

std::string VerifyReport::summaryLine() const {
    return "検証しました: " + std::to_string(files) + " 個のファイル";
}

std::string VerifyReport::differenceLine(const std::string& path) {
    return "検証で違いが見つかりました: " + path;
}

std::string VerifyReport::unverifiableLine(const std::string& path) {
    return "検証できません: コピー先はコピー元そのものです: " + path;
}

} // namespace trevane
