#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <sys/types.h>
#include <vector>

namespace trevane {

// Compares files byte for byte, reading each from start to end once in large blocks through
// buffers it keeps from file to file, so a tree of many small files costs no allocation per
// file. Not shared between threads.
class FileComparer {
public:
    enum class Result {
        Same,
        Different,  // other bytes, or one of them ended before `size`
        Unreadable, // a read failed
        Stopped,    // stop said true
    };

    FileComparer();

    // Compares the first `size` bytes of two files open for reading at their start. stop (may
    // be empty) is asked now and then during a large file.
    Result sameFiles(int a, int b, off_t size, const std::function<bool()>& stop = {});

    // Compares the file open for reading at its start with data that arrives in pieces: begin()
    // before the first piece, then next() for each piece in order; false from next() means the
    // file ended or held other bytes (or could not be read), and the rest need not be given.
    void begin(int fd, off_t size);
    bool next(const uint8_t* data, std::size_t size);

private:
    std::vector<unsigned char> m_a;
    std::vector<unsigned char> m_b;
    int m_streamFd = -1;
};

} // namespace trevane
