#include "OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace unlha {

namespace {
constexpr size_t kBuffer = 1 << 18;

std::string errorText() {
    return std::generic_category().message(errno);
}
} // namespace

OutputFile::~OutputFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temp.c_str());
    }
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
    m_mode = mode;
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    m_temp = folder + "." + name + ".XXXXXX";
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
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
    bool ok = flush() && ::fchmod(m_fd, m_mode) == 0 && ::fsync(m_fd) == 0;
    std::string err = ok ? std::string() : errorText();
    if (::close(m_fd) != 0 && ok) {
        ok = false;
        err = errorText();
    }
    m_fd = -1;
    if (ok && ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        ok = false;
        err = errorText();
    }
    if (!ok) {
        ::unlink(m_temp.c_str());
        return Status(Code::Io, "cannot write " + m_target + ": " + err);
    }
    return {};
}

} // namespace unlha
