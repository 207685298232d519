#pragma once

#include "BeneathFolder.h"
#include "UniqueFd.h"

#include <string>
#include <sys/stat.h>
#include <utility>

namespace trevane {

// The folder a restore writes into. Every step below it goes through BeneathFolder, from the
// target's own descriptor without following links, so whatever a restore looks at or writes
// stays below the target, also when a folder is swapped for a link while it runs. Paths given here
// are relative to the target, "/" between folders, already judged safe (no "..", not absolute).
//
// What a restore replaces is not deleted: it is moved aside into ".trevane-replaced/STAMP/",
// below the target, under the same relative path (STAMP the local date and time of the first
// move, "20261208-013005"), where a file manager finds it to undo a restore.
class RestoreTarget {
public:
    static constexpr const char* kAsideFolder = ".trevane-replaced";

    struct Entry {
        enum class Kind {
            Missing,
            File,
            Folder,
            Link,
            Other,   // a FIFO, device or socket
            Blocked, // a folder on the way is a file, a link or something else: see blockedAt
        };
        Kind kind = Kind::Missing;
        struct stat st {};
        std::string blockedAt = {};  // the part of the path that is no folder
        std::string linkTarget = {}; // the text of a link
    };

    // Opens the folder, made with its missing parents when make is set. False with error when
    // it cannot be; a target not open holds nothing (look() finds every path missing).
    bool open(const std::string& folder, bool make, std::string& error);

    // What stands at path, not followed if it is a link.
    Entry look(const std::string& path) const;
    // The folder at path open (empty: the target itself), made with its missing parts when
    // make is set (mode 0777 less the umask); not open, with errno set, when a part is missing
    // or is no folder.
    UniqueFd openFolder(const std::string& path, bool make) const;

    // Moves the entry at path aside. 0, or an errno value.
    int setAside(const std::string& path);
    // Moves an entry set aside back to path (the write that was to replace it failed).
    void putBack(const std::string& path);
    // Where this restore set entries aside, relative to the target; empty until it did.
    const std::string& asideFolder() const { return m_aside; }

    const BeneathFolder& beneath() const { return m_root; }

private:
    BeneathFolder m_root;
    std::string m_aside;
};

// The folder part and the last part of a relative path ("a/b/c" gives "a/b" and "c").
std::pair<std::string, std::string> splitRelative(const std::string& path);

} // namespace trevane
