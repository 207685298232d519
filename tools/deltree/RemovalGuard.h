#pragma once

#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace trevane {

// Decides which folders deltree must never remove: a file system root, the user's home
// folder and every folder that holds it. Folders are compared by device and inode, so another
// spelling of the same folder ("/home/me/.", a bind mount, a link to it named on the command
// line and then resolved) is refused too.
class RemovalGuard {
public:
    // `homes` are the home folder paths to protect ($HOME and the account's home); paths that
    // do not exist are ignored.
    explicit RemovalGuard(const std::vector<std::string>& homes);

    // The protected folders of the current user: $HOME and the password database's entry.
    static RemovalGuard forCurrentUser();

    // Checks the text alone: refuses an empty path and one whose last part is "." or "..".
    // Returns the refusal line, or an empty text when the path may go on.
    std::string checkPath(const std::string& path) const;

    // Checks the folder itself (from fstat of the opened folder). Returns the refusal line
    // naming `path`, or an empty text.
    std::string checkFolder(const std::string& path, const struct stat& folder) const;

private:
    std::vector<std::pair<dev_t, ino_t>> m_homes;     // the home folders
    std::vector<std::pair<dev_t, ino_t>> m_ancestors; // the folders above them, root included
};

} // namespace trevane
