#pragma once

#include <ctime>
#include <string>

namespace trevane {

// What the program needs to know of the mounted file system a file or folder lies on.
struct FileSystemFacts {
    bool known = false;             // false when the file system could not be looked at at all
    std::string type;               // as the mount table names it: "ext4", "vfat", "fuseblk", ...
    std::string format;             // what the volume holds when libblkid can tell: "exfat",
                                    // "ntfs", "fat", "ext", or its own name ("btrfs", "xfs");
                                    // empty where it cannot be read
    std::string mountPoint;         // where it is mounted
    std::string source;             // the mounted device, image file or name ("tmpfs")
    std::string uuid;               // the volume's UUID or serial number; empty where none is read
    long long timeResolutionNs = 1; // the steps in which it keeps modification times

    // FAT, exFAT and NTFS (and SMB shares): names without : * ? " < > | \ or control
    // characters, not ending in a dot or blank, and letters of either case the same name.
    bool windowsNames() const;
    // Every file operation waits for a round trip to a server or a daemon: network file
    // systems and FUSE (a stick through exfat-fuse, an sshfs share). Copies gain from several
    // files in flight there.
    bool latencyBound() const;
    // The largest file it holds: 4 GiB - 1 on FAT; 0 where there is no limit to speak of.
    unsigned long long maxFileSize() const;
    // Why a file or folder called `name` of `size` bytes cannot be kept there, in Japanese;
    // empty when it can.
    std::string refusal(const std::string& name, unsigned long long size) const;
};

// A name as a file system that folds case compares it (ASCII letters; other letters as they
// are).
std::string foldedName(const std::string& name);

// Facts of the file system that the open file or folder `fd` lies on, read afresh from the
// mount table on every call (a disk may be swapped for another while the program runs). The
// UUID comes from /dev/disk/by-uuid, else from what libblkid reads of the volume when the
// device or image can be read (root, or the disk group); the time resolution from the file
// system's kind,
// and for FUSE from the format behind it (exfat-fuse keeps whole seconds, ntfs-3g 100 ns; an
// unknown FUSE block file system counts as FAT's 2 s, any other FUSE file system as 1 s).
FileSystemFacts fileSystemOf(int fd);
// The same for a path that exists (links followed). `known` is false when it cannot be opened.
FileSystemFacts fileSystemOfPath(const std::string& path);

// The coarser of two time resolutions: the one in which two file systems can both be compared.
long long coarserResolution(long long a, long long b);

// True when `source` is later than `target` once both are cut down to whole steps of
// `resolutionNs` (the coarser resolution of their two file systems): a copy whose file system
// dropped part of the time is not older than its source, and a real change still counts.
bool isNewerAt(const struct timespec& source, const struct timespec& target,
               long long resolutionNs);

// True when a file system is mounted on the folder `path` (bind mounts included).
bool isMountPoint(const std::string& path);

} // namespace trevane
