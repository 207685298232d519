#include "OutputFile.h"

#include "FileSystem.h"

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

// The path with symbolic links at its end followed to the file they stand for. A link that
// leads to nothing is not followed: the file being made replaces the link instead of being
// written wherever the link points.
std::string followLinks(std::string path) {
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) ||
            ::stat(path.c_str(), &st) != 0)
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
    m_fd.reset();
    if (!m_temp.empty())
        ::unlinkat(m_folderFd.get(), m_temp.c_str(), 0);
    m_folderFd.reset();
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
    // A link planted by another user (in a folder of theirs, or one others may write) is not
    // followed: a run as root would replace whatever file of the system it points at.
    if (const std::string link = trevane::untrustedLink(target); !link.empty())
        return Status(Code::Io, trevane::untrustedLinkText(link));
    const std::string real = followLinks(target);
    const size_t slash = real.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : real.substr(0, slash + 1);
    m_name = slash == std::string::npos ? real : real.substr(slash + 1);
    m_folderFd.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_folderFd)
        return Status(Code::Io, "cannot create " + target + ": " + errorText());
    // A link still here leads to nothing: the new file takes its place.
    struct stat st;
    if (::fstatat(m_folderFd.get(), m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISLNK(st.st_mode)) {
        if (!S_ISREG(st.st_mode))
            return Status(Code::Io,
                          target + ": " + trevane::fileErrorText(trevane::kNotRegularFile));
        m_keepMode = st.st_mode & 07777;
    }
    // A file that nobody may write is one its owner protected: linking the new file in over it
    // would replace it all the same, since that asks only the folder.
    if (m_keepMode && (*m_keepMode & 0222) == 0)
        return Status(Code::Io, "read-only, not rewritten: " + target);
    m_fd.reset(m_unnamed.create(m_folderFd.get(), O_WRONLY | O_CLOEXEC, mode));
    if (!m_fd && errno == ENOTSUP) {
        m_temp = m_unnamed.temporaryName();
        m_fd.reset(trevane::fileSystemCalls().openat(
            m_folderFd.get(), m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
            mode));
        if (!m_fd)
            m_temp.clear();
    }
    if (!m_fd)
        return Status(Code::Io, "cannot create " + target + ": " + errorText());
    m_buffer.reserve(kBuffer);
    return {};
}

bool OutputFile::flush() {
    if (!m_failed && !m_buffer.empty() && !writeAll(m_fd.get(), m_buffer.data(), m_buffer.size()))
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
        if (!writeAll(m_fd.get(), data, size))
            m_failed = true;
        return !m_failed;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
    return true;
}

int OutputFile::flushedFd() {
    return flush() ? m_fd.get() : -1;
}

Status OutputFile::commit() {
    if (!m_fd)
        return Status(Code::Io, "nothing to commit");
    int error = 0;
    if (!flush() || (m_keepMode && ::fchmod(m_fd.get(), *m_keepMode) != 0) ||
        ::fsync(m_fd.get()) != 0)
        error = errno != 0 ? errno : EIO;
    if (error == 0 && m_temp.empty())
        error = m_unnamed.link(m_fd.get(), m_folderFd.get(), m_name.c_str());
    if (const int closeError = m_fd.close(); closeError != 0 && error == 0)
        error = closeError;
    if (error == 0 && !m_temp.empty()) {
        if (trevane::fileSystemCalls().renameat(m_folderFd.get(), m_temp.c_str(), m_folderFd.get(),
                                                m_name.c_str()) == 0)
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
