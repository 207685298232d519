#include "engine/OutputChunks.h"

#include <algorithm>

namespace trevane {

std::vector<std::string> OutputChunks::split(std::string_view output) {
    std::vector<std::string> chunks;
    std::size_t offset = 0;
    while (chunks.size() < MaxChunks && offset < output.size()) {
        const std::string_view read = output.substr(offset, ChunkSize);
        offset += read.size();
        // The read buffer is a C string for the log: it ends at the first zero byte.
        chunks.emplace_back(read.substr(0, std::min(read.find('\0'), read.size())));
        if (read.size() < ChunkSize)
            break;
    }
    return chunks;
}

} // namespace trevane
