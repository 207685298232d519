#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trevane {

// One file, folder or link of a backup: a member of an archive, or an entry below a copy's
// folder. Read from the archive's headers or from the folder itself, never from a listing
// printed for people, so a name may hold anything a file name can (" -> ", "*", a newline).
struct BackupMember {
    enum class Type {
        File,
        Folder,
        Link,
        Other, // a FIFO, device or socket of a copy's folder; never restored
    };
    // Relative, "/" between folders, no "." parts and no trailing "/". A refused member keeps
    // the name it was stored under ("/etc/x", "../x").
    std::string path;
    Type type = Type::File;
    std::uint64_t size = 0; // bytes of a file; 0 for anything else
    std::int64_t mtime = 0; // seconds since the epoch
    long mtimeNs = 0;       // the part of a second a copy's file keeps; 0 in an archive
    // The time's steps: 1 s for an archive, 2 s for an MS-DOS time stamp; a copy's folder's
    // own file system decides for its entries.
    long long timeResolutionNs = 1000000000LL;
    std::optional<unsigned> mode; // permission bits, when the backup keeps them
    std::string linkTarget;       // the text of a link
    std::size_t index = 0;        // the member's place in the archive (0 = first), to find it again
    // Why the member is never written, whatever the target holds: a name that leaves the
    // target ("/x/y", "../x"), a link that points outside, a folder that could not be read.
    std::string refusal = {};

    bool isFolder() const { return type == Type::Folder; }
    bool isLink() const { return type == Type::Link; }
};

struct BackupListing {
    enum class Status {
        Listed,  // members holds every member
        Missing, // the archive or folder is not there
        Damaged, // an archive that could be read only in part (a damaged header): members holds
                 // what came before the damage, error says why
        Failed,  // nothing could be read
    };
    Status status = Status::Failed;
    std::string error = {};
    std::vector<BackupMember> members = {};
    bool fromFolder = false; // a copy's folder, not an archive
};

// The members of an archive in archive order, read by the archiver's own reader. A name without
// an extension gets ".lzh", as the archiver gives it. Where a path is stored twice, the newest
// member stands for it (the later one when they are as new): restoring one file is deciding
// once, not writing it twice.
BackupListing listArchiveMembers(const std::string& archive);

// The files, folders and links below folder, parents before their contents. Links are not
// followed. A subfolder that cannot be read is listed, refused with the reason.
BackupListing listFolderMembers(const std::string& folder);

// The members of what a restore reads from: a folder's (a copy row's backup) when from is a
// folder, else an archive's.
BackupListing listBackupMembers(const std::string& from);

} // namespace trevane
