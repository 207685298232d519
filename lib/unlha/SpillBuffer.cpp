#include "SpillBuffer.h"

#include "OutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace unlha {

SpillBuffer::SpillBuffer(std::string folder, size_t memoryLimit)
    : m_folder(std::move(folder)), m_limit(memoryLimit) {}

SpillBuffer::~SpillBuffer() = default;

void SpillBuffer::clear() {
    m_memory.clear();
    m_memory.shrink_to_fit();
    m_fd.reset();
    m_size = 0;
}

bool SpillBuffer::spill() {
    std::string dir = m_folder.empty() ? "." : m_folder;
#ifdef O_TMPFILE
    m_fd.reset(::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
#endif
    if (!m_fd) {
        std::string name = dir + "/.unlha-spill-XXXXXX";
        m_fd.reset(::mkostemp(name.data(), O_CLOEXEC));
        if (!m_fd)
            return false;
        ::unlink(name.c_str());
    }
    if (!OutputFile::writeAll(m_fd.get(), m_memory.data(), m_memory.size()))
        return false;
    m_memory.clear();
    m_memory.shrink_to_fit();
    return true;
}

bool SpillBuffer::append(const uint8_t* data, size_t size) {
    m_size += size;
    if (!m_fd && m_memory.size() + size > m_limit && !spill())
        return false;
    if (m_fd)
        return OutputFile::writeAll(m_fd.get(), data, size);
    m_memory.insert(m_memory.end(), data, data + size);
    return true;
}

bool SpillBuffer::writeTo(int fd) const {
    if (!m_fd)
        return OutputFile::writeAll(fd, m_memory.data(), m_memory.size());
    std::vector<uint8_t> buf(1 << 18);
    uint64_t done = 0;
    while (done < m_size) {
        ssize_t n = ::pread(m_fd.get(), buf.data(), buf.size(), static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !OutputFile::writeAll(fd, buf.data(), static_cast<size_t>(n)))
            return false;
        done += static_cast<uint64_t>(n);
    }
    return true;
}

} // namespace unlha
