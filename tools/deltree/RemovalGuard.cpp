#include "RemovalGuard.h"

#include "PathConventions.h"

#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace trevane {

namespace {

bool contains(const std::vector<std::pair<dev_t, ino_t>>& ids, const struct stat& st) {
    for (const auto& [device, inode] : ids)
        if (device == st.st_dev && inode == st.st_ino)
            return true;
    return false;
}

void addIdentity(std::vector<std::pair<dev_t, ino_t>>& ids, const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        ids.emplace_back(st.st_dev, st.st_ino);
}

} // namespace

RemovalGuard::RemovalGuard(const std::vector<std::string>& homes) {
    addIdentity(m_ancestors, "/");
    for (const auto& home : homes) {
        if (home.empty())
            continue;
        char buffer[PATH_MAX];
        if (::realpath(home.c_str(), buffer) == nullptr)
            continue;
        std::string path = buffer;
        addIdentity(m_homes, path);
        while (path.size() > 1) {
            const auto slash = path.rfind('/');
            path = slash == 0 ? "/" : path.substr(0, slash);
            addIdentity(m_ancestors, path);
        }
    }
}

RemovalGuard RemovalGuard::forCurrentUser() {
    std::vector<std::string> homes;
    if (const char* home = std::getenv("HOME"))
        homes.emplace_back(home);
    if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir)
        homes.emplace_back(account->pw_dir);
    return RemovalGuard(homes);
}

std::string RemovalGuard::checkPath(const std::string& path) const {
    if (path.find_first_not_of(" \t") == std::string::npos)
        return "空のパスは削除できません";
    const std::string trimmed = PathConventions::withoutTrailingSeparators(path);
    const auto slash = trimmed.rfind('/');
    const std::string last = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    if (last == "." || last == "..")
        return "「.」や「..」で終わるパスは削除できません - " + path;
    return {};
}

std::string RemovalGuard::checkFolder(const std::string& path, const struct stat& folder) const {
    struct stat root;
    if (::stat("/", &root) == 0 && root.st_dev == folder.st_dev && root.st_ino == folder.st_ino)
        return "ルートフォルダーは削除できません - " + path;
    if (contains(m_homes, folder))
        return "ホームフォルダーは削除できません - " + path;
    if (contains(m_ancestors, folder))
        return "ホームフォルダーを含むフォルダーは削除できません - " + path;
    return {};
}

} // namespace trevane
