#include "jobs/DirBookmarks.h"

#include "jobs/CommaText.h"

namespace trevane {

DirBookmarks::DirBookmarks(std::vector<std::string> entries) : m_entries(std::move(entries)) {}

std::optional<std::size_t> DirBookmarks::indexOf(std::string_view text) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i] == text)
            return i;
    return std::nullopt;
}

std::string DirBookmarks::visit(std::string_view text) {
    if (auto found = indexOf(text)) {
        std::string entry = std::move(m_entries[*found]);
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(*found));
        m_entries.insert(m_entries.begin(), std::move(entry));
    } else if (!text.empty()) {
        m_entries.insert(m_entries.begin(), std::string(text));
    }
    return m_entries.empty() ? std::string() : m_entries.front();
}

bool DirBookmarks::remove(std::string_view text) {
    auto found = indexOf(text);
    if (!found)
        return false;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(*found));
    return true;
}

std::vector<std::string> DirBookmarks::parse(std::string_view bytes) {
    bytes = withoutByteOrderMark(bytes);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.emplace_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.emplace_back(bytes.substr(start));
    return lines;
}

std::string DirBookmarks::format(const std::vector<std::string>& entries) {
    std::string out;
    for (const std::string& entry : entries) {
        out += entry;
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> DirBookmarks::load(const std::string& path) {
    ReadResult read = readWholeFile(path);
    if (!read.ok())
        return {};
    return parse(read.bytes);
}

WriteResult DirBookmarks::save(const std::string& path) const {
    return writeFileAtomically(path, format(m_entries));
}

} // namespace trevane
