#pragma once

#include "jobs/AtomicFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The shortcut key file KeyList.ini: section "Key", one entry per menu item whose shortcut the
// user has assigned; the name is the menu item's component name ("FileNew"), the value a
// shortcut text (see ShortcutText.h), stored as typed.
//
// Every change reads the file, changes one entry and writes the file again (atomically), so
// entries written by hand or by another copy of the dialog are kept. The file is created by
// the first write, never by reading or deleting.
class KeyListFile {
public:
    static constexpr std::string_view Section = "Key";

    struct Entry {
        std::string name;
        std::string text; // as stored; may name no key
        int shortcut = 0; // text read as a shortcut value; 0 when it names no key
        bool operator==(const Entry&) const = default;
    };

    explicit KeyListFile(std::string path);
    const std::string& path() const { return m_path; }

    // Every entry of section Key in file order. A missing or unreadable file has none.
    std::vector<Entry> entries() const;

    // Stores text under name (replacing an entry of that name, letter case ignored).
    WriteResult writeEntry(std::string_view name, std::string_view text) const;
    // Removes the entry of that name. Nothing to remove (or no file) is success, and writes
    // nothing.
    WriteResult deleteEntry(std::string_view name) const;

private:
    std::string m_path;
};

} // namespace trevane
