#include "engine/LogBatch.h"

#include <utility>

namespace trevane {

bool LogBatch::add(std::string message, int maxLines) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.push_back({std::move(message), maxLines});
    return m_entries.size() == 1;
}

std::vector<LogLines::Entry> LogBatch::take() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_entries, {});
}

} // namespace trevane
