#include "jobs/AtomicFile.h"

#include "FileSystem.h"
#include "PathConventions.h"
#include "UnnamedFiles.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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
    if (const std::string link = untrustedLink(requestedPath); !link.empty())
        return {false, untrustedLinkText(link)};
    const std::string path = resolveLinks(requestedPath);
    FileSystemCalls& fs = fileSystemCalls();

    struct stat old {};
    const bool hadFile = fs.fstatat(AT_FDCWD, path.c_str(), &old, 0) == 0;
    if (hadFile && S_ISDIR(old.st_mode))
        return failure(path, EISDIR);
    if (hadFile && !S_ISREG(old.st_mode))
        return {false, path + ": " + fileErrorText(kNotRegularFile)};
    if (hadFile && noWritePermission(old))
        return {false, path + ": 読み取り専用のファイルなので、上書きしませんでした"};

    const std::string name = PathConventions::fileName(path);
    const UniqueFd dir(fs.openat(AT_FDCWD, PathConventions::parentOf(path).c_str(),
                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (!dir)
        return failure(path, errno);
    // Writes the bytes with the old file's permission bits and flushes them to disk: 0 or an
    // errno value.
    const auto fill = [&](int fd) {
        int error = 0;
        if (!writeAll(fd, bytes, error))
            return error;
        if (hadFile && fchmod(fd, old.st_mode & 07777) != 0) {
            // Not being allowed to copy the mode is no reason to refuse the save.
        }
        return fsync(fd) == 0 ? 0 : errno;
    };
    // Make the new name itself durable; a failure here no longer risks the contents.
    const auto done = [&] {
        fsync(dir.get());
        return WriteResult{true, {}};
    };

    // A file without a name until it is complete: a crash, kill -9 included, leaves nothing.
    UnnamedFiles files("trevane");
    if (UniqueFd out(files.create(dir.get(), O_WRONLY | O_CLOEXEC, 0666)); out) {
        int error = fill(out.get());
        if (error == 0)
            error = files.link(out.get(), dir.get(), name.c_str());
        if (error != ENOTSUP)
            return error == 0 ? done() : failure(path, error);
    } else if (errno != ENOTSUP) {
        return failure(path, errno);
    }

    // The file system cannot: a named temporary file, renamed over the old one.
    std::string temporary;
    UniqueFd out;
    for (int attempt = 0; attempt < 100 && !out; ++attempt) {
        temporary = files.temporaryName();
        // 0666 lets the umask decide the permission bits of a new file, as for any other.
        out.reset(fs.openat(dir.get(), temporary.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out && errno != EEXIST)
            return failure(path, errno);
    }
    if (!out)
        return failure(path, EEXIST);
    int error = fill(out.get());
    if (const int closeError = out.close(); error == 0)
        error = closeError;
    if (error == 0 && fs.renameat(dir.get(), temporary.c_str(), dir.get(), name.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlinkat(dir.get(), temporary.c_str(), 0);
        return failure(path, error);
    }
    return done();
}

bool isWriteProtected(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && noWritePermission(st);
}

std::string writersProblem(const std::string& path, const struct stat& st, uid_t runningAs) {
    if (runningAs != 0)
        return {};
    if (st.st_uid != 0)
        return path + "は root 以外のユーザーのファイルなので、root では使いません";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return path + "はほかのユーザーも書き込めるので、root では使いません";
    return {};
}

ReadResult readWholeFile(const std::string& path, Writers writers) {
    ReadResult result;
    OpenedFile file = openRegularFile(path, O_RDONLY);
    if (!file.ok()) {
        const int error = file.error;
        result.status =
            (error == ENOENT || error == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
        result.error = path + ": " + fileErrorText(error);
        return result;
    }
    if (writers == Writers::OwnerOnlyAsRoot) {
        result.error = writersProblem(path, file.st, ::geteuid());
        if (!result.error.empty()) {
            result.status = ReadStatus::Refused;
            return result;
        }
    }
    if (static_cast<uint64_t>(file.st.st_size) > kMaxReadBytes) {
        result.error = path + "は 64 MiB より大きいので読み込みません";
        return result;
    }
    result.bytes.reserve(static_cast<size_t>(file.st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd.get(), buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.bytes.clear();
            result.error = systemError(path, errno);
            return result;
        }
        // A file that grows while it is read stops at the bound all the same.
        if (result.bytes.size() + static_cast<size_t>(n) > kMaxReadBytes) {
            result.bytes.clear();
            result.error = path + "は 64 MiB より大きいので読み込みません";
            return result;
        }
        result.bytes.append(buffer, static_cast<size_t>(n));
    }
    result.status = ReadStatus::Ok;
    return result;
}

} // namespace trevane
