#include "jobs/ProgramFiles.h"

#include "PathConventions.h"

#include <filesystem>

namespace trevane {

namespace {

std::string joined(const std::string& folder, const std::string& name) {
    return PathConventions::native().join(folder, name);
}

} // namespace

std::string ProgramFiles::settingsPath() const {
    return joined(folder, settingsName);
}

std::string ProgramFiles::logPath() const {
    return joined(folder, logName);
}

std::string ProgramFiles::keyListPath() const {
    return joined(folder, keyListName);
}

std::string ProgramFiles::dirListPath() const {
    return joined(folder, dirListName);
}

std::string ProgramFiles::registeredListPath() const {
    return joined(folder, registeredListName);
}

std::string ProgramFiles::jobFileFolder() const {
    return joined(folder, jobFileFolderName);
}

std::string ProgramFiles::jobFilePath(const std::string& name) const {
    return joined(jobFileFolder(), name);
}

bool isJobFileIn(const std::string& folder, const std::string& path) {
    const std::filesystem::path file(path);
    const auto asFolder = [](const std::filesystem::path& p) {
        return (p / "").lexically_normal();
    };
    return !folder.empty() && file.is_absolute() && file.has_filename() &&
           asFolder(file.parent_path()) == asFolder(folder);
}

} // namespace trevane
