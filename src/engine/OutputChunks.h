#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// How a child's output reaches the log: read after the child has ended in reads of 4000 bytes,
// at most 151 of them, each read logged as one entry up to its first zero byte. Reading stops
// after a short read, after the 151st read, or when no more data is there (that last read logs
// nothing, so empty output and exact multiples of 4000 bytes end without an extra entry).
struct OutputChunks {
    static constexpr std::size_t ChunkSize = 4000;
    static constexpr std::size_t MaxChunks = 151;
    // Output beyond this is never logged, so it need not be kept.
    static constexpr std::size_t MaxLoggedBytes = ChunkSize * MaxChunks;

    // The log entries for output, in order. A chunk that starts with a zero byte gives an
    // empty entry.
    static std::vector<std::string> split(std::string_view output);
};

} // namespace trevane
