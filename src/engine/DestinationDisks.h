#pragma once

#include <map>
#include <string>

namespace trevane {

// Which disk each destination folder lay on when a row last wrote to it with success, so that
// a backup whose disk is not plugged in (its empty mount point folder left behind, or a
// folder that option 4 would create on the internal disk) fails instead of filling the wrong
// disk. Kept in the data folder's "DiskList.txt", one "<destination>\t<UUID>\t<device> on
// <mount point>" line each (the UUID empty where none could be read); a missing or unreadable
// file is an empty list.
class DestinationDisks {
public:
    struct Disk {
        std::string uuid;
        std::string place; // "<device> on <mount point>"
    };

    explicit DestinationDisks(std::string listFile);

    // Empty when `destination` may be written; else the line that says its disk is not
    // connected. It is refused when the nearest folder of it that exists lies on another file
    // system than the one remembered, or, with nothing remembered, when it lies under /media,
    // /run/media or /mnt and no folder between there and it is a mount point.
    std::string check(const std::string& destination) const;

    // Remembers the file system `destination` lies on now; rewrites the list when that changed.
    void remember(const std::string& destination);

private:
    std::string m_file;
    std::map<std::string, Disk> m_disks;
};

} // namespace trevane
