#pragma once

#include "jobs/AtomicFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The directory bookmarks: a most-recently-used list of folders, kept in "DirList.txt" in the
// program folder (one path per line, CR LF line ends, most recent first, no length limit).
//
// The folder dialog and the self-extracting archive dialog each hold one list for as long as
// they are open; only the folder dialog's OK writes it back to the file.
//
// Entries are compared exactly: "/data/A" and "/data/a" are two folders, and visiting one never
// selects the spelling of the other.
class DirBookmarks {
public:
    static constexpr const char* FileName = "DirList.txt";

    explicit DirBookmarks(std::vector<std::string> entries = {});

    const std::vector<std::string>& entries() const { return m_entries; }
    void setEntries(std::vector<std::string> entries) { m_entries = std::move(entries); }

    // The index of the entry equal to text (in the list's sense of equal), if any.
    std::optional<std::size_t> indexOf(std::string_view text) const;

    // The bookmark step: the entry equal to text moves to the top; a text that is not there
    // and is not empty is inserted at the top. Afterwards the caller selects the top entry,
    // which is returned (empty when the list is empty).
    std::string visit(std::string_view text);

    // Removes the entry equal to text; false when there is none.
    bool remove(std::string_view text);

    // The lines of a bookmark file. CR LF, LF and CR all end a line; a last line without an
    // end counts, the empty text after the last line end does not. Lines are not checked.
    static std::vector<std::string> parse(std::string_view bytes);
    // Every entry followed by CR LF.
    static std::string format(const std::vector<std::string>& entries);

    // The entries of the file at path; a missing or unreadable file gives an empty list.
    static std::vector<std::string> load(const std::string& path);
    // Replaces the file at path atomically with the entries.
    WriteResult save(const std::string& path) const;

private:

    std::vector<std::string> m_entries;
};

} // namespace trevane
