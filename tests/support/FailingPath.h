#pragma once

// Makes opening, renaming and asking for access to one path, or anything below it, fail with one
// error while the object lives, as a file or folder without the rights would, whatever user runs
// the test: root may read every file and write every folder.

#include "FileSystem.h"

#include <cerrno>
#include <string>
#include <string_view>

namespace trevane::test {

class FailingPath {
public:
    FailingPath(std::string path, int error) : m_calls(calls()) {
        s_path = std::move(path);
        s_error = error;
    }
    ~FailingPath() { s_path.clear(); }
    FailingPath(const FailingPath&) = delete;
    FailingPath& operator=(const FailingPath&) = delete;

private:
    static bool hit(const char* path) {
        return !s_path.empty() && std::string_view(path).starts_with(s_path);
    }
    static int fail() {
        errno = s_error;
        return -1;
    }
    static FileSystemCalls calls() {
        FileSystemCalls c = fileSystemCalls();
        c.openat = [](int dir, const char* path, int flags, mode_t mode) {
            return hit(path) ? fail() : ::openat(dir, path, flags, mode);
        };
        c.renameat = [](int fromDir, const char* from, int toDir, const char* to) {
            return hit(from) || hit(to) ? fail() : ::renameat(fromDir, from, toDir, to);
        };
        c.faccessat = [](int dir, const char* path, int mode, int flags) {
            return hit(path) ? fail() : ::faccessat(dir, path, mode, flags);
        };
        return c;
    }

    inline static std::string s_path;
    inline static int s_error = 0;
    ScopedFileSystemCalls m_calls;
};

} // namespace trevane::test
