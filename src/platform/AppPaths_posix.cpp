#include "platform/AppPaths.h"

#include "FileSystem.h"
#include "PathConventions.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {

// One absolute spelling without "." and ".." steps and doubled slashes. The folder dialog
// moves the current folder, and the file dialogs hand back clean paths, which name the job
// options sections that the runner looks up under the program folder.
std::string cleanAbsolute(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    return error ? folder : absolute.lexically_normal().string();
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// $HOME, else the account's home folder: a service or "env -i" may start the program without
// HOME, and the per-user folder must not become "/.config".
std::string homeFolder() {
    std::string home = environment("HOME");
    if (home.empty())
        if (const passwd* account = ::getpwuid(::getuid()))
            home = account->pw_dir ? account->pw_dir : "";
    return home;
}

// Where an installed copy keeps its helpers, relative to the installation prefix; the build
// passes the folder it installs them to.
#ifndef TREVANE_HELPER_SUBDIR
#define TREVANE_HELPER_SUBDIR "lib/trevane"
#endif

} // namespace

std::string executablePath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n <= 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

std::string executableFolder() {
    return PathConventions::parentOf(executablePath()); // "." when it cannot be told
}

std::string helperFolderFor(const std::string& executableFolder) {
    if (fileExists(executableFolder + "/xcopy"))
        return executableFolder;
    const std::string prefix = PathConventions::parentOf(executableFolder);
    std::string installed = (prefix == "/" ? "" : prefix) + "/" + TREVANE_HELPER_SUBDIR;
    return directoryExists(installed) ? installed : executableFolder;
}

std::string helperFolder() {
    return helperFolderFor(executableFolder());
}

std::string chooseProgramFolder(const ProgramFolderInputs& in) {
    if (!in.trevaneHome.empty() && directoryExists(in.trevaneHome))
        return PathConventions::withoutTrailingSeparators(cleanAbsolute(in.trevaneHome));
    const bool installed = helperFolderFor(in.executableFolder) != in.executableFolder;
    if (!installed &&
        fileSystemCalls().faccessat(AT_FDCWD, in.executableFolder.c_str(), W_OK, 0) == 0)
        return in.executableFolder;
    std::string folder = userConfigFolder(in.xdgConfigHome, in.home) + "/Trevane";
    // Made for the user alone: the log and the disk list name the user's files and disks.
    if (!directoryExists(folder) && createDirectories(PathConventions::parentOf(folder)))
        (void)::mkdir(folder.c_str(), 0700);
    return folder;
}

std::string userConfigFolder(const std::string& xdgConfigHome, const std::string& home) {
    // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rule says.
    if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
        return PathConventions::withoutTrailingSeparators(xdgConfigHome);
    return (home == "/" ? "" : PathConventions::withoutTrailingSeparators(home)) + "/.config";
}

std::string userConfigFolder() {
    return userConfigFolder(environment("XDG_CONFIG_HOME"), homeFolder());
}

std::string chooseRunsFolder(const std::string& programFolder, const std::string& userConfig,
                             const std::string& xdgStateHome, const std::string& home) {
    if (programFolder != userConfig + "/Trevane")
        return programFolder + "/runs";
    // A relative XDG_STATE_HOME is to be ignored, as the base directory rule says.
    const std::string state =
        !xdgStateHome.empty() && xdgStateHome.front() == '/'
            ? PathConventions::withoutTrailingSeparators(xdgStateHome)
            : (home == "/" ? "" : PathConventions::withoutTrailingSeparators(home)) +
                  "/.local/state";
    return state + "/Trevane/runs";
}

std::string runsFolder(const std::string& programFolder) {
    return chooseRunsFolder(programFolder, userConfigFolder(), environment("XDG_STATE_HOME"),
                            homeFolder());
}

std::string programFolder() {
    return chooseProgramFolder({environment("TREVANE_HOME"), executableFolder(),
                                environment("XDG_CONFIG_HOME"), homeFolder()});
}

std::string withHomeFolder(const std::string& path) {
    if (path.empty() || path[0] != '~' || (path.size() > 1 && path[1] != '/'))
        return path;
    const std::string home = homeFolder();
    if (home.empty())
        return path;
    const std::string rest = path.substr(1); // "" or "/..."
    const std::string folder = PathConventions::withoutTrailingSeparators(home);
    return folder == "/" && !rest.empty() ? rest : folder + rest;
}

std::string profileFolder() {
    const std::string home = environment("TREVANE_HOME");
    return !home.empty() && directoryExists(home) ? programFolder() : std::string();
}

bool directoryExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool fileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool createDirectory(const std::string& path) {
    return !path.empty() && mkdir(path.c_str(), 0777) == 0;
}

bool createDirectories(const std::string& path) {
    if (path.empty() || directoryExists(path))
        return !path.empty();
    const std::string parent = PathConventions::parentOf(path);
    if (parent != path && !directoryExists(parent) && !createDirectories(parent))
        return false;
    return (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) && directoryExists(path);
}

} // namespace trevane
