#pragma once

#include "UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace unlha {

// Holds one compressed member until the writer can take it: in memory up to a limit, then
// in an unnamed temporary file in the given folder, so a large member compressed ahead of
// its turn costs disk and not memory.
class SpillBuffer {
public:
    SpillBuffer(std::string folder, size_t memoryLimit);
    ~SpillBuffer();
    SpillBuffer(const SpillBuffer&) = delete;
    SpillBuffer& operator=(const SpillBuffer&) = delete;

    bool append(const uint8_t* data, size_t size);
    void clear();
    uint64_t size() const { return m_size; }
    // Writes everything to fd at its current offset.
    bool writeTo(int fd) const;

private:
    bool spill();

    std::string m_folder;
    size_t m_limit;
    std::vector<uint8_t> m_memory;
    trevane::UniqueFd m_fd;
    uint64_t m_size = 0;
};

} // namespace unlha
