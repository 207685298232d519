#include "engine/FileComparer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace trevane {

namespace {

// Large enough that a big file costs few calls, small enough that both blocks stay in the
// processor's cache while they are compared.
constexpr std::size_t kBlock = 256 * 1024;

// Reads up to `size` bytes; fewer only at the end of the file. -1 on a read error.
ssize_t readFully(int fd, unsigned char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// A file larger than one block is read ahead further than the kernel would by default.
void readingThrough(int fd, off_t size) {
    if (size > static_cast<off_t>(kBlock))
        (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

} // namespace

FileComparer::FileComparer() : m_a(kBlock), m_b(kBlock) {}

FileComparer::Result FileComparer::sameFiles(int a, int b, off_t size,
                                             const std::function<bool()>& stop) {
    readingThrough(a, size);
    readingThrough(b, size);
    for (off_t left = size, block = 1; left > 0; ++block) {
        if (block % 64 == 0 && stop && stop())
            return Result::Stopped;
        const std::size_t want = static_cast<std::size_t>(std::min<off_t>(left, kBlock));
        const ssize_t gotA = readFully(a, m_a.data(), want);
        const ssize_t gotB = readFully(b, m_b.data(), want);
        if (gotA < 0 || gotB < 0)
            return Result::Unreadable;
        if (gotA != static_cast<ssize_t>(want) || gotB != gotA ||
            std::memcmp(m_a.data(), m_b.data(), want) != 0)
            return Result::Different;
        left -= static_cast<off_t>(want);
    }
    return Result::Same;
}

void FileComparer::begin(int fd, off_t size) {
    m_streamFd = fd;
    readingThrough(fd, size);
}

bool FileComparer::next(const uint8_t* data, std::size_t size) {
    while (size > 0) {
        const std::size_t want = std::min(size, kBlock);
        if (readFully(m_streamFd, m_a.data(), want) != static_cast<ssize_t>(want) ||
            std::memcmp(m_a.data(), data, want) != 0)
            return false;
        data += want;
        size -= want;
    }
    return true;
}

} // namespace trevane
