#pragma once

#include "engine/ArchiverLibrary.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trevane {

// One file, folder or link of a backup: a member of an archive, or an entry below a copy's
// folder.
struct BackupMember {
    std::string path;       // relative, "/" between folders, no trailing "/"
    std::uint64_t size = 0; // bytes; 0 for folders
    std::int64_t mtime = 0; // seconds since the epoch
    bool folder = false;
    bool link = false;
};

struct BackupListing {
    enum class Status {
        Listed,  // members holds every member
        Missing, // the archive or folder is not there
        Damaged, // an archive that could be read only in part (a damaged header, an unreadable
                 // file): members holds what was listed before the failure, error says why
        Failed,  // nothing could be read (no archiver library, a folder that cannot be read)
    };
    Status status = Status::Failed;
    std::string error = {};
    std::vector<BackupMember> members = {};
};

// The members of an archive as the archiver library lists them ("l"), in archive order. The
// library adds ".lzh" to a name without an extension, and so does this. Member names are the
// library's printable spelling (control characters shown as "?"), which is also how its
// extraction report names them.
BackupListing listArchiveMembers(ArchiverLibrary& archiver, const std::string& archive);

// The files, folders and links below folder, recursively, parents before their contents. Links
// are not followed. Entries that cannot be read are left out.
BackupListing listFolderMembers(const std::string& folder);

// The members of what a restore reads from: a folder's (a copy row's backup) when from is a
// folder, else an archive's.
BackupListing listBackupMembers(ArchiverLibrary& archiver, const std::string& from);

// Reads one member line of the library's listing: "SIZE PACKED RATIO% METHOD DATE TIME NAME",
// NAME ending in "/" for a folder and followed by " -> TARGET" for a link; the time is local.
// False for any other line (the heading, the totals).
bool parseListingLine(const std::string& line, BackupMember& member);

} // namespace trevane
