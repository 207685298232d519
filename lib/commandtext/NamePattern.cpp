#include "NamePattern.h"

#include <utility>

namespace trevane {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Length of the UTF-8 sequence starting at name[pos]; a stray byte counts as one character.
std::size_t charLength(std::string_view name, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(name[pos]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::size_t n = 1;
    while (n < length && pos + n < name.size() &&
           (static_cast<unsigned char>(name[pos + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

} // namespace

NamePattern::NamePattern(std::string pattern)
    : m_pattern(std::move(pattern)), m_literal(!hasWildcard(m_pattern)) {}

bool NamePattern::hasWildcard(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool NamePattern::matches(std::string_view name) const {
    const std::string_view pattern = m_pattern;
    if (m_literal)
        return name == pattern;
    if (matchFrom(pattern, name))
        return true;
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*")
        return matchFrom(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

// Classic greedy matching with one backtrack point for the last "*"; the backtrack moves by
// whole characters so that a later "?" never lands inside a multi-byte character.
bool NamePattern::matchFrom(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += charLength(name, n);
        } else if (p < pattern.size() && lower(pattern[p]) == lower(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            starN += charLength(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace trevane
