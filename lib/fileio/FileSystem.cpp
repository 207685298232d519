#include "FileSystem.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <unistd.h>

namespace trevane {

namespace {

int systemOpenat(int dirFd, const char* path, int flags, mode_t mode) {
    return ::openat(dirFd, path, flags, mode);
}

constexpr int kMaxLinks = 40; // as many links in a row as the system itself follows

std::string readLink(const std::string& path) {
    std::string text(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
    if (n <= 0 || static_cast<size_t>(n) >= text.size())
        return {};
    text.resize(static_cast<size_t>(n));
    return text;
}

} // namespace

FileSystemCalls& fileSystemCalls() {
    static FileSystemCalls calls{systemOpenat, ::renameat, ::fstatat, ::faccessat};
    return calls;
}

OpenedFile openRegularFile(int dirFd, const std::string& path, int flags, mode_t mode) {
    OpenedFile file;
    file.fd.reset(fileSystemCalls().openat(dirFd, path.c_str(),
                                           flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode));
    if (!file.fd) {
        // A FIFO opened for writing without a reader refuses at once (kNotRegularFile) rather
        // than wait.
        file.error = errno;
        return file;
    }
    if (::fstat(file.fd.get(), &file.st) != 0) {
        file.error = errno;
        file.fd.reset();
        return file;
    }
    if (!S_ISREG(file.st.st_mode)) {
        file.error = S_ISDIR(file.st.st_mode) ? EISDIR : kNotRegularFile;
        file.fd.reset();
        return file;
    }
    if ((flags & O_NONBLOCK) == 0) {
        const int status = ::fcntl(file.fd.get(), F_GETFL);
        if (status >= 0)
            (void)::fcntl(file.fd.get(), F_SETFL, status & ~O_NONBLOCK);
    }
    return file;
}

int readRegularFile(const std::string& path, std::string& bytes, size_t maxBytes) {
    bytes.clear();
    const OpenedFile file = openRegularFile(path, O_RDONLY);
    if (!file.ok())
        return file.error;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd.get(), buffer, sizeof buffer);
        if (n == 0)
            return 0;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || bytes.size() + static_cast<size_t>(n) > maxBytes) {
            bytes.clear();
            return n < 0 ? errno : EFBIG;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

bool changedWhileRead(int fd, const struct stat& before, uint64_t bytesRead) {
    struct stat after;
    return (before.st_size != 0 && bytesRead != static_cast<uint64_t>(before.st_size)) ||
           ::fstat(fd, &after) != 0 ||
           after.st_size != before.st_size || after.st_mtim.tv_sec != before.st_mtim.tv_sec ||
           after.st_mtim.tv_nsec != before.st_mtim.tv_nsec;
}

std::string fileErrorText(int error) {
    if (error == kNotRegularFile)
        return "通常のファイルではありません";
    return std::strerror(error);
}

std::string untrustedLink(const std::string& given) {
    std::string path = given;
    const uid_t self = ::geteuid();
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        bool followed = false;
        size_t start = path.starts_with('/') ? 1 : 0;
        while (start <= path.size() && !followed) {
            size_t end = path.find('/', start);
            if (end == std::string::npos)
                end = path.size();
            if (end > start) {
                const std::string prefix = path.substr(0, end);
                struct stat link;
                if (::lstat(prefix.c_str(), &link) != 0)
                    return {}; // nothing there yet: no link to follow
                if (S_ISLNK(link.st_mode)) {
                    if (link.st_uid != self && link.st_uid != 0)
                        return prefix;
                    const std::string target = readLink(prefix);
                    if (target.empty())
                        return {};
                    path = (target.starts_with('/') ? target : path.substr(0, start) + target) +
                           path.substr(end);
                    followed = true;
                }
            }
            start = end + 1;
        }
        if (!followed)
            return {};
    }
    return {}; // a loop of links: the system refuses it when the path is used
}

std::string untrustedLinkText(const std::string& link) {
    return link + "は別のユーザーのシンボリックリンクなので、たどりません";
}

} // namespace trevane
