#pragma once

// Makes opening, renaming and asking for access to one path, or anything below it, fail with one
// error while the object lives, as a file or folder without the rights would, whatever user runs
// the test: root may read every file and write every folder.

#include "FileSystem.h"

#include <cerrno>
#include <string>

namespace trevane::test {

class FailingPath : ScopedFileSystemCalls {
public:
    FailingPath(std::string path, int error) : ScopedFileSystemCalls(calls()) {
        s_path = std::move(path);
        s_error = error;
    }
    ~FailingPath() { s_path.clear(); }

private:
    static int fails(const char* path) {
        errno = s_error;
        return !s_path.empty() && std::string(path).starts_with(s_path);
    }
    static FileSystemCalls calls() {
        FileSystemCalls c = fileSystemCalls();
        c.openat = [](int dir, const char* p, int flags, mode_t mode) {
            return fails(p) ? -1 : ::openat(dir, p, flags, mode);
        };
        c.renameat = [](int fromDir, const char* from, int toDir, const char* to) {
            return fails(from) || fails(to) ? -1 : ::renameat(fromDir, from, toDir, to);
        };
        c.faccessat = [](int dir, const char* p, int mode, int flags) {
            return fails(p) ? -1 : ::faccessat(dir, p, mode, flags);
        };
        return c;
    }

    inline static std::string s_path;
    inline static int s_error = 0;
};

} // namespace trevane::test
