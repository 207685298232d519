#include "FolderEntries.h"

#include <cerrno>
#include <dirent.h>
#include <string_view>
#include <unistd.h>

namespace trevane {

bool listFolder(int fd, std::vector<FolderEntry>& entries, int& errorNumber) {
    const int copy = ::dup(fd);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (dir == nullptr) {
        errorNumber = errno;
        if (copy >= 0)
            ::close(copy);
        return false;
    }
    // The duplicate shares its position with fd: start from the beginning.
    ::rewinddir(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back({std::string(name), entry->d_type});
        errno = 0;
    }
    errorNumber = errno;
    ::closedir(dir);
    return errorNumber == 0;
}

} // namespace trevane
