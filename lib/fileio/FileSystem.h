#pragma once

#include "UniqueFd.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

namespace trevane {

// The calls through which the program, the archiver and the tools open, rename and look at the
// files they read and write (and ask whether a folder may be written). Tests replace one of them
// (ScopedFileSystemCalls) to make it fail as a read-only folder or an unreadable file would,
// whatever user runs the tests: root may open any file and write into any folder.
struct FileSystemCalls {
    int (*openat)(int dirFd, const char* path, int flags, mode_t mode);
    int (*renameat)(int oldDirFd, const char* oldPath, int newDirFd, const char* newPath);
    int (*fstatat)(int dirFd, const char* path, struct stat* st, int flags);
    int (*faccessat)(int dirFd, const char* path, int mode, int flags);
};

// The calls in use: the system's own unless a test replaced them.
FileSystemCalls& fileSystemCalls();

// Replaces the calls for its lifetime (tests).
class ScopedFileSystemCalls {
public:
    explicit ScopedFileSystemCalls(const FileSystemCalls& calls) : m_saved(fileSystemCalls()) {
        fileSystemCalls() = calls;
    }
    ~ScopedFileSystemCalls() { fileSystemCalls() = m_saved; }
    ScopedFileSystemCalls(const ScopedFileSystemCalls&) = delete;
    ScopedFileSystemCalls& operator=(const ScopedFileSystemCalls&) = delete;

private:
    FileSystemCalls m_saved;
};

// The errno value of openRegularFile() for a name that is there but is no regular file (a FIFO,
// a device, a socket): the system's own answer for a FIFO without a reader, which lines tell as
// "通常のファイルではありません". A folder gives EISDIR.
inline constexpr int kNotRegularFile = ENXIO;

// A file opened for reading or writing whole. It never blocks: a FIFO or a device planted under
// the name is opened without waiting (O_NONBLOCK) and then refused, as is anything else that is
// not a regular file. O_CLOEXEC and O_NOCTTY are always added; pass O_NOFOLLOW to refuse a link
// at the end of the path.
struct OpenedFile {
    UniqueFd fd;
    int error = 0;     // errno value (kNotRegularFile for a FIFO, a device, a socket)
    struct stat st {}; // of the opened file when fd is open
    bool ok() const { return static_cast<bool>(fd); }
};
OpenedFile openRegularFile(int dirFd, const std::string& path, int flags, mode_t mode = 0);
inline OpenedFile openRegularFile(const std::string& path, int flags, mode_t mode = 0) {
    return openRegularFile(AT_FDCWD, path, flags, mode);
}

// Whether the file open on fd was written to while it was read: bytesRead differs from the
// size it had when opened (before), or its size or modification time is no longer before's.
// A copy or a member made from such a reading matches neither the old nor the new content.
// A size of 0 says nothing of the bytes (kernel files report none and are read to their end).
bool changedWhileRead(int fd, const struct stat& before, uint64_t bytesRead);

// The line's text for a file changedWhileRead() found.
inline constexpr const char* kChangedWhileReadText = "読み込み中にファイルが変わりました";

// Reads the regular file at path whole into bytes (opened as openRegularFile() does). Returns 0
// or an errno value (EFBIG when it holds more than maxBytes, kNotRegularFile).
int readRegularFile(const std::string& path, std::string& bytes, size_t maxBytes);

// Why a file could not be used, as a line names it: Japanese for kNotRegularFile, the
// system's text for any other errno value.
std::string fileErrorText(int error);

// Which links the program and its tools follow where they write, empty or replace something
// through a path: a symbolic link is followed only when it belongs to the user the program runs
// as or to root. Not the owner of the folder it sits in: run as root over a folder that another
// user owns, that user's link would steer root's writes wherever the user likes. Returns the
// first link on path (following the links on the way) that breaks the rule, or an empty string.
std::string untrustedLink(const std::string& path);

// The line that names a link untrustedLink() refused.
std::string untrustedLinkText(const std::string& link);

} // namespace trevane
