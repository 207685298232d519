#include "platform/FolderContainment.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace trevane {

bool folderHolds(const std::string& outer, const std::string& inner) {
    struct stat target;
    if (::stat(outer.c_str(), &target) != 0 || !S_ISDIR(target.st_mode))
        return false;
    char resolved[PATH_MAX];
    if (!::realpath(inner.c_str(), resolved))
        return false;
    std::string path = resolved;
    for (;;) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && st.st_dev == target.st_dev &&
            st.st_ino == target.st_ino)
            return true;
        if (path == "/")
            return false;
        const std::size_t slash = path.rfind('/');
        path.resize(slash == 0 ? 1 : slash);
    }
}

std::string linkTarget(const std::string& path) {
    struct stat st;
    char resolved[PATH_MAX];
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) ||
        !::realpath(path.c_str(), resolved))
        return path;
    return resolved;
}

} // namespace trevane
