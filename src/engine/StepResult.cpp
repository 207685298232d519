#include "engine/StepResult.h"

namespace trevane {

std::string StepResult::failureLine() const {
    switch (outcome) {
    case Outcome::Done:
    case Outcome::Refused:
        return {};
    case Outcome::Failed:
        if (kind == Kind::Verify)
            return {};
        return step + " が失敗しました。(" + (kind == Kind::Archiver ? "戻り値 " : "終了コード ") +
               std::to_string(code) + ")";
    case Outcome::NotStarted:
        return step +
               (kind == Kind::Archiver ? " を呼び出せませんでした。" : " を起動できませんでした。");
    }
    return {};
}

std::string StepResult::summaryLine(int failedSteps) {
    return "失敗した手順: " + std::to_string(failedSteps) + " 件";
}

std::string StepResult::endNotice(const std::string& jobFileName, int failedSteps) {
    std::string text = jobFileName;
    text += " が終了しました。";
    if (failedSteps > 0) {
        text += '\n';
        text += summaryLine(failedSteps);
    }
    return text;
}

} // namespace trevane
