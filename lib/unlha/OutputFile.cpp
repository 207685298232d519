#include "OutputFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace unlha {

namespace {
constexpr size_t kBuffer = 1 << 18;
constexpr int kMaxLinks = 40; // as many links in a row as the system itself follows

std::string errorText(int error = errno) {
    return std::generic_category().message(error);
}

// The path with symbolic links at its end followed, also to a file that does not exist yet.
std::string followLinks(std::string path) {
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        std::string text(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
        if (n <= 0 || static_cast<size_t>(n) >= text.size())
            break;
        text.resize(static_cast<size_t>(n));
        const size_t slash = path.rfind('/');
        path =
            text[0] == '/' || slash == std::string::npos ? text : path.substr(0, slash + 1) + text;
    }
    return path;
}
} // namespace

OutputFile::~OutputFile() {
    closeAll();
}

void OutputFile::closeAll() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temp.empty())
        ::unlinkat(m_folderFd, m_temp.c_str(), 0);
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    m_fd = m_folderFd = -1;
    m_temp.clear();
}

bool OutputFile::writeAll(int fd, const uint8_t* data, size_t size) {
    while (size) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

Status OutputFile::create(const std::string& target, unsigned mode) {
    m_target = target;
    const std::string real = followLinks(target);
    const size_t slash = real.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : real.substr(0, slash + 1);
    m_name = slash == std::string::npos ? real : real.substr(slash + 1);
    m_folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0)
        return Status(Code::Io, "cannot create " + target + ": " + errorText());
    struct stat st;
    if (::fstatat(m_folderFd, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        m_keepMode = st.st_mode & 07777;
    // A file that nobody may write is one its owner protected: linking the new file in over it
    // would replace it all the same, since that asks only the folder.
    if (m_keepMode && (*m_keepMode & 0222) == 0)
        return Status(Code::Io, "read-only, not rewritten: " + target);
    m_fd = m_unnamed.create(m_folderFd, O_WRONLY | O_CLOEXEC, mode);
    if (m_fd < 0 && errno == ENOTSUP) {
        m_temp = m_unnamed.temporaryName();
        m_fd = ::openat(m_folderFd, m_temp.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (m_fd < 0)
            m_temp.clear();
    }
    if (m_fd < 0)
        return Status(Code::Io, "cannot create " + target + ": " + errorText());
    m_buffer.reserve(kBuffer);
    return {};
}

bool OutputFile::flush() {
    if (!m_failed && !m_buffer.empty() && !writeAll(m_fd, m_buffer.data(), m_buffer.size()))
        m_failed = true;
    m_buffer.clear();
    return !m_failed;
}

bool OutputFile::write(const uint8_t* data, size_t size) {
    if (m_failed)
        return false;
    if (m_buffer.size() + size > kBuffer && !flush())
        return false;
    if (size >= kBuffer) {
        if (!writeAll(m_fd, data, size))
            m_failed = true;
        return !m_failed;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
    return true;
}

int OutputFile::flushedFd() {
    return flush() ? m_fd : -1;
}

Status OutputFile::commit() {
    if (m_fd < 0)
        return Status(Code::Io, "nothing to commit");
    int error = 0;
    if (!flush() || (m_keepMode && ::fchmod(m_fd, *m_keepMode) != 0) || ::fsync(m_fd) != 0)
        error = errno != 0 ? errno : EIO;
    if (error == 0 && m_temp.empty())
        error = m_unnamed.link(m_fd, m_folderFd, m_name.c_str());
    if (::close(m_fd) != 0 && error == 0)
        error = errno;
    m_fd = -1;
    if (error == 0 && !m_temp.empty()) {
        if (::renameat(m_folderFd, m_temp.c_str(), m_folderFd, m_name.c_str()) == 0)
            m_temp.clear();
        else
            error = errno;
    }
    closeAll();
    if (error != 0)
        return Status(Code::Io, "cannot write " + m_target + ": " + errorText(error));
    return {};
}

} // namespace unlha
