#include "FolderEntries.h"

#include "UniqueFd.h"

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace trevane {

namespace {

struct CloseDir {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
// An open folder stream, closed (with its descriptor) on every path.
using UniqueDir = std::unique_ptr<DIR, CloseDir>;

} // namespace

bool listFolder(int fd, std::vector<FolderEntry>& entries, int& errorNumber) {
    UniqueFd copy(::dup(fd));
    const UniqueDir dir(copy ? ::fdopendir(copy.get()) : nullptr);
    if (!dir) {
        errorNumber = errno;
        return false;
    }
    (void)copy.release(); // the stream owns it now
    // The duplicate shares its position with fd: start from the beginning.
    ::rewinddir(dir.get());
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back({std::string(name), entry->d_type});
        errno = 0;
    }
    errorNumber = errno;
    return errorNumber == 0;
}

} // namespace trevane
