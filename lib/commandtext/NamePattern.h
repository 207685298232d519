#pragma once

#include <string>
#include <string_view>

namespace trevane {

// A file name pattern as xcopy and the archiver read it, one rule for both, so a job row's
// files cell selects the same files in a copy row and an archive row: "*" stands for any run
// of characters, "?" for
// exactly one character (one UTF-8 sequence, so "?" covers one Japanese character), letters
// match without regard to ASCII case. A pattern ending in ".*" also matches the name without
// that part, so "*.*" matches every name, with or without a dot, and "readme.*" matches
// "readme". A name without wildcards matches only itself, byte for byte: on POSIX "a.doc" and
// "A.DOC" are two files, and naming one must not copy the other.
class NamePattern {
public:
    explicit NamePattern(std::string pattern);

    bool matches(std::string_view name) const;
    const std::string& text() const { return m_pattern; }

    // True when `text` holds a wildcard character.
    static bool hasWildcard(std::string_view text);

private:
    static bool matchFrom(std::string_view pattern, std::string_view name);

    std::string m_pattern;
    bool m_literal;
};

} // namespace trevane
