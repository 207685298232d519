#include "jobs/JobFile.h"

#include "jobs/CommaText.h"

namespace trevane {

JobFileLines readJobFile(const std::string& path) {
    JobFileLines result;
    ReadResult file = readWholeFile(path, Writers::OwnerOnlyAsRoot);
    result.status = file.status;
    if (!file.ok()) {
        result.error = std::move(file.error);
        return result;
    }
    result.lines = splitLines(withoutByteOrderMark(file.bytes));
    return result;
}

WriteResult writeJobFile(const std::string& path, const std::vector<std::string>& lines) {
    return writeFileAtomically(path, joinLinesCrLf(lines));
}

} // namespace trevane
