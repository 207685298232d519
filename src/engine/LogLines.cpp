#include "engine/LogLines.h"

#include "jobs/CommaText.h"

#include <algorithm>

namespace trevane {

LogLines::Change LogLines::append(std::string_view message, int maxLines) {
    const std::size_t before = m_lines.size();
    Count count;
    push(message, maxLines, count);
    return changeOf(before, count);
}

LogLines::Change LogLines::append(const std::vector<Entry>& entries) {
    const std::size_t before = m_lines.size();
    Count count;
    for (const Entry& entry : entries)
        push(entry.message, entry.maxLines, count);
    return changeOf(before, count);
}

void LogLines::push(std::string_view message, int maxLines, Count& count) {
    std::size_t start = 0;
    while (true) {
        const std::size_t brk = message.find_first_of("\r\n", start);
        if (brk == std::string_view::npos) {
            m_lines.emplace_back(message.substr(start));
            ++count.added;
            break;
        }
        m_lines.emplace_back(message.substr(start, brk - start));
        ++count.added;
        start = brk + 1;
        if (message[brk] == '\r' && start < message.size() && message[start] == '\n')
            ++start;
    }

    const std::size_t limit = static_cast<std::size_t>(std::max(maxLines, 0));
    while (m_lines.size() > limit) {
        m_lines.pop_front();
        ++count.removed;
    }
}

// The oldest lines go first, so the lines there before the appends are removed before any
// appended one.
LogLines::Change LogLines::changeOf(std::size_t before, const Count& count) {
    Change change;
    change.removedFromFront = std::min(count.removed, before);
    change.appendedKept = count.added - (count.removed - change.removedFromFront);
    return change;
}

void LogLines::setText(std::string_view text) {
    const std::vector<std::string> lines = splitLines(text);
    m_lines.assign(lines.begin(), lines.end());
}

std::string LogLines::text() const {
    std::size_t total = 0;
    for (const std::string& l : m_lines)
        total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const std::string& l : m_lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

WriteResult LogLines::save(const std::string& path) const {
    return writeFileAtomically(path, text());
}

} // namespace trevane
