#pragma once

#include <string>
#include <vector>

namespace trevane {

struct FolderEntry {
    std::string name;
    unsigned char type; // d_type: DT_DIR, DT_REG, DT_LNK ... or DT_UNKNOWN
};

// The entries of the open folder fd, without "." and "..", in the order the file system
// gives them. fd stays open and untouched (the listing reads a duplicate). On failure returns
// false with errorNumber set; entries may then hold what was read before the error.
bool listFolder(int fd, std::vector<FolderEntry>& entries, int& errorNumber);

} // namespace trevane
