#include "ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace unlha {

namespace {
constexpr size_t kBufferSize = 256 * 1024;
}

FileSource::FileSource(trevane::UniqueFd fd)
    : m_file(std::move(fd)), m_fd(m_file.get()), m_buffer(kBufferSize) {}

FileSource::~FileSource() = default;

bool FileSource::refill() {
    m_begin = 0;
    m_end = 0;
    for (;;) {
        ssize_t n = ::read(m_fd, m_buffer.data(), m_buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_failed = true;
            return false;
        }
        m_end = static_cast<size_t>(n);
        return n > 0;
    }
}

size_t FileSource::read(uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        if (m_begin == m_end) {
            // Large reads bypass the buffer; the decoder asks for big pieces.
            if (size - done >= m_buffer.size()) {
                ssize_t n = ::read(m_fd, data + done, size - done);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    m_failed = true;
                if (n <= 0)
                    break;
                done += static_cast<size_t>(n);
                m_position += static_cast<uint64_t>(n);
                continue;
            }
            if (!refill())
                break;
        }
        size_t take = std::min(size - done, m_end - m_begin);
        std::memcpy(data + done, m_buffer.data() + m_begin, take);
        m_begin += take;
        done += take;
        m_position += take;
    }
    return done;
}

bool FileSource::skip(uint64_t count) {
    uint64_t inBuffer = m_end - m_begin;
    if (count <= inBuffer) {
        m_begin += static_cast<size_t>(count);
        m_position += count;
        return true;
    }
    // Seeking past the end succeeds silently, so the size is checked against the file.
    off_t size = ::lseek(m_fd, 0, SEEK_END);
    if (size < 0 || m_position + count > static_cast<uint64_t>(size)) {
        ::lseek(m_fd, static_cast<off_t>(m_position + inBuffer), SEEK_SET);
        if (size >= 0)
            seek(static_cast<uint64_t>(size));
        return false;
    }
    return seek(m_position + count);
}

bool FileSource::seek(uint64_t offset) {
    m_begin = m_end = 0;
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
        m_failed = true;
        return false;
    }
    m_position = offset;
    return true;
}

size_t MemorySource::read(uint8_t* data, size_t size) {
    size_t take = std::min(size, m_size - m_position);
    if (take)
        std::memcpy(data, m_data + m_position, take);
    m_position += take;
    return take;
}

bool MemorySource::skip(uint64_t count) {
    if (count > m_size - m_position) {
        m_position = m_size;
        return false;
    }
    m_position += static_cast<size_t>(count);
    return true;
}

} // namespace unlha
