#pragma once

#include "Status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace unlha {

// A file written completely or not at all: the bytes go to a temporary file in the target's
// folder, and commit() flushes it to disk and renames it over the target. Destroyed without
// commit() (an error, a full disk) it removes the temporary file and the target stays as it
// was.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // mode is applied at commit(); the folder must exist.
    Status create(const std::string& target, unsigned mode);
    bool write(const uint8_t* data, size_t size);
    // Writes buffered bytes out and returns the descriptor, for copying large pieces.
    int flushedFd();
    Status commit();
    const std::string& target() const { return m_target; }

    static bool writeAll(int fd, const uint8_t* data, size_t size);

private:
    bool flush();

    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    unsigned m_mode = 0644;
    bool m_failed = false;
    std::vector<uint8_t> m_buffer;
};

} // namespace unlha
