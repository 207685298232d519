#include "PathConventions.h"
#include "platform/ProgramLookup.h"

#include "platform/AppPaths.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> lookUp(const std::string& name, const std::string& executableFolder,
                                  const std::string& searchPath) {
    if (name.empty())
        return std::nullopt;
    if (name.find('/') != std::string::npos) {
        if (isExecutableFile(name))
            return name;
        return std::nullopt;
    }
    if (!executableFolder.empty()) {
        std::string candidate = PathConventions::native().join(executableFolder, name);
        if (isExecutableFile(candidate))
            return candidate;
    }
    if (searchPath.empty())
        return std::nullopt;
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string::npos)
            end = searchPath.size();
        // An empty PATH entry means the current folder, as the shell has it.
        std::string folder = searchPath.substr(start, end - start);
        std::string candidate =
            PathConventions::native().join(folder.empty() ? std::string_view(".") : folder, name);
        if (isExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> findProgram(const std::string& name, const std::string& executableFolder,
                                       const std::string& searchPath) {
    if (auto found = lookUp(name, executableFolder, searchPath))
        return found;
    constexpr std::string_view exe = ".exe";
    if (name.size() > exe.size()) {
        std::string tail = name.substr(name.size() - exe.size());
        for (char& c : tail)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (tail == exe)
            return lookUp(name.substr(0, name.size() - exe.size()), executableFolder, searchPath);
    }
    return std::nullopt;
}

std::optional<std::string> findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    return findProgram(name, helperFolder(), path ? path : "/usr/local/bin:/usr/bin:/bin");
}

} // namespace trevane
