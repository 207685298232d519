#pragma once

#include "UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace unlha {

// Sequential input for the archive reader: a file, or memory in tests and the fuzz target.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to size bytes; fewer only at the end of the input or on an error (see failed()).
    virtual size_t read(uint8_t* data, size_t size) = 0;
    // Skips count bytes; false when the input ends first.
    virtual bool skip(uint64_t count) = 0;
    // Bytes consumed so far.
    virtual uint64_t position() const = 0;
    virtual bool failed() const { return false; }
};

// Reads a file through a buffer large enough that testing an archive is not bound by calls.
class FileSource : public ByteSource {
public:
    explicit FileSource(trevane::UniqueFd fd);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    size_t read(uint8_t* data, size_t size) override;
    bool skip(uint64_t count) override;
    uint64_t position() const override { return m_position; }
    bool failed() const override { return m_failed; }
    // Moves to an absolute offset, dropping the buffer.
    bool seek(uint64_t offset);

private:
    bool refill();

    trevane::UniqueFd m_file;
    int m_fd; // m_file's
    bool m_failed = false;
    std::vector<uint8_t> m_buffer;
    size_t m_begin = 0;
    size_t m_end = 0;
    uint64_t m_position = 0;
};

class MemorySource : public ByteSource {
public:
    // The bytes must outlive the source.
    MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t read(uint8_t* data, size_t size) override;
    bool skip(uint64_t count) override;
    uint64_t position() const override { return m_position; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

} // namespace unlha
