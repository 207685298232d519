#pragma once

#include "engine/LogLines.h"

#include <mutex>
#include <string>
#include <vector>

namespace trevane {

// Log entries that the runner thread hands to the main thread without waiting for each: the
// runner adds entries as they come, and the main thread takes everything gathered so far in one
// go, once per turn of its event loop, so the log panel follows a child's output in batches
// instead of line by line. Thread-safe.
class LogBatch {
public:
    // Adds an entry after those already waiting. True when nothing was waiting: the caller then
    // makes sure the main thread takes the batch (later entries ride along with this one).
    [[nodiscard]] bool add(std::string message, int maxLines);

    // Takes every waiting entry, oldest first, and leaves none behind.
    std::vector<LogLines::Entry> take();

private:
    std::mutex m_mutex;
    std::vector<LogLines::Entry> m_entries;
};

} // namespace trevane
