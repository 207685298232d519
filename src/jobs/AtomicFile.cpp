#include "jobs/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {

std::string systemError(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

WriteResult failure(const std::string& path, int error) {
    return {false, systemError(path, error)};
}

// The file a symbolic link finally points at, so that saving through a link replaces the
// file it stands for rather than the link itself.
std::string resolveLinks(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return path; // a dangling link: replace the link itself
    std::string target(real);
    std::free(real);
    return target;
}

bool noWritePermission(const struct stat& st) {
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string temporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    return path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(random() % 100000);
}

bool writeAll(int fd, std::string_view bytes, int& error) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

WriteResult writeFileAtomically(const std::string& requestedPath, std::string_view bytes) {
    if (requestedPath.empty())
        return {false, "empty file name"};
    const std::string path = resolveLinks(requestedPath);

    struct stat old {};
    const bool hadFile = stat(path.c_str(), &old) == 0;
    if (hadFile && S_ISDIR(old.st_mode))
        return failure(path, EISDIR);
    if (hadFile && noWritePermission(old))
        return {false, path + ": 読み取り専用のファイルなので、上書きしませんでした"};

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = temporaryName(path);
        // 0666 lets the umask decide the permission bits of a new file, as for any other.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return failure(path, errno);
    }
    if (fd < 0)
        return failure(path, EEXIST);

    int error = 0;
    bool ok = writeAll(fd, bytes, error);
    if (ok && hadFile && fchmod(fd, old.st_mode & 07777) != 0) {
        // Not being allowed to copy the mode is no reason to refuse the save.
    }
    if (ok && fsync(fd) != 0) {
        error = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return failure(path, error);
    }

    // Make the rename itself durable; a failure here no longer risks the contents.
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return {true, {}};
}

bool isWriteProtected(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && noWritePermission(st);
}

ReadResult readWholeFile(const std::string& path) {
    ReadResult result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        result.status =
            (error == ENOENT || error == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
        result.error = systemError(path, error);
        return result;
    }
    struct stat st {};
    if (fstat(fd, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ::close(fd);
            result.error = systemError(path, EISDIR);
            return result;
        }
        if (S_ISREG(st.st_mode) && st.st_size > 0)
            result.bytes.reserve(static_cast<size_t>(st.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            result.bytes.clear();
            result.error = systemError(path, error);
            return result;
        }
        result.bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    result.status = ReadStatus::Ok;
    return result;
}

} // namespace trevane
