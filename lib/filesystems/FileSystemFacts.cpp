#include "FileSystemFacts.h"

#include "UniqueFd.h"

#include <blkid/blkid.h>
#include <libmount/libmount.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <vector>

namespace trevane {

namespace {

constexpr long long kSecond = 1000000000LL;

// Magic numbers of statfs's f_type for the file systems whose times are coarser than ext4's.
constexpr unsigned long kFat = 0x4d44;
constexpr unsigned long kExfat = 0x2011BAB0;
constexpr unsigned long kNtfs3 = 0x7366746e;
constexpr unsigned long kCifs = 0xFF534D42;
constexpr unsigned long kSmb2 = 0xFE534D42;
constexpr unsigned long kHfsPlus = 0x482b;
constexpr unsigned long kIso9660 = 0x9660;
constexpr unsigned long kFuse = 0x65735546;

// The mount table of this process, as libmount reads it (its own escapes undone); null when
// it cannot be read.
struct MountTable {
    MountTable() : table(::mnt_new_table()) {
        if (table != nullptr && ::mnt_table_parse_file(table, "/proc/self/mountinfo") != 0) {
            ::mnt_unref_table(table);
            table = nullptr;
        }
    }
    ~MountTable() { ::mnt_unref_table(table); }
    MountTable(const MountTable&) = delete;
    MountTable& operator=(const MountTable&) = delete;

    // Calls visit for each entry in the table's order.
    template <typename Visit> void forEach(Visit visit) const {
        if (table == nullptr)
            return;
        libmnt_iter* it = ::mnt_new_iter(MNT_ITER_FORWARD);
        libmnt_fs* fs = nullptr;
        while (it != nullptr && ::mnt_table_next_fs(table, it, &fs) == 0)
            visit(fs);
        ::mnt_free_iter(it);
    }

    libmnt_table* table;
};

std::string text(const char* value) {
    return value != nullptr ? value : "";
}

// What libblkid's type names: the kinds whose rules differ are told apart, the ext family is
// one, every other kind keeps its own name.
std::string formatOf(const std::string& type) {
    if (type == "vfat" || type == "msdos")
        return "fat";
    if (type == "ext2" || type == "ext3" || type == "ext4")
        return "ext";
    return type;
}

// Reads what the volume holds, and its UUID or serial number, through libblkid. Needs the right
// to read the device (or image file), which only root or the disk group usually have.
void probeVolume(const std::string& source, FileSystemFacts& facts) {
    if (source.empty() || source[0] != '/')
        return;
    // A FIFO or a socket named as the source is never opened; a device or an image file is,
    // without waiting.
    const UniqueFd fd(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st;
    if (!fd || ::fstat(fd.get(), &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode)))
        return;
    blkid_probe probe = ::blkid_new_probe();
    if (probe == nullptr)
        return;
    ::blkid_probe_enable_superblocks(probe, 1);
    ::blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_UUID);
    const char* type = nullptr;
    const char* uuid = nullptr;
    if (::blkid_probe_set_device(probe, fd.get(), 0, 0) == 0 && ::blkid_do_safeprobe(probe) == 0 &&
        ::blkid_probe_lookup_value(probe, "TYPE", &type, nullptr) == 0) {
        facts.format = formatOf(type);
        if (::blkid_probe_lookup_value(probe, "UUID", &uuid, nullptr) == 0 && facts.uuid.empty())
            facts.uuid = uuid;
    }
    ::blkid_free_probe(probe);
}

// The UUID under which udev lists the block device `device`, if it does.
std::string uuidFromDeviceLinks(dev_t device) {
    std::string found;
    DIR* dir = ::opendir("/dev/disk/by-uuid");
    if (dir == nullptr)
        return found;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st;
        if (entry->d_name[0] != '.' && ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 &&
            S_ISBLK(st.st_mode) && st.st_rdev == device) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

long long resolutionOf(unsigned long magic, const FileSystemFacts& facts) {
    switch (magic) {
    case kFat:
        return 2 * kSecond;
    case kExfat:
        return 10000000;
    case kNtfs3:
    case kCifs:
    case kSmb2:
        return 100;
    case kHfsPlus:
    case kIso9660:
        return kSecond;
    case kFuse:
        // FUSE does not say which file system it serves; the volume behind it does. exfat-fuse
        // drops the fraction of a second that exFAT could keep.
        if (facts.format == "ntfs")
            return 100;
        if (facts.format == "exfat")
            return kSecond;
        if (facts.format == "ext")
            return 1;
        if (facts.format == "fat" || facts.type == "fuseblk")
            return 2 * kSecond;
        return kSecond;
    default:
        return 1;
    }
}

} // namespace

bool FileSystemFacts::windowsNames() const {
    if (!format.empty())
        return format == "fat" || format == "exfat" || format == "ntfs";
    return type == "vfat" || type == "msdos" || type == "exfat" || type == "ntfs" ||
           type == "ntfs3" || type == "cifs" || type == "smb3" || type == "fuseblk";
}

bool FileSystemFacts::latencyBound() const {
    static const char* const kNetwork[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "9p",
                                           "ceph", "afs", "glusterfs", "lustre", "davfs"};
    if (type == "fuse" || type == "fuseblk" || type.rfind("fuse.", 0) == 0)
        return true;
    for (const char* kind : kNetwork)
        if (type == kind)
            return true;
    return false;
}

unsigned long long FileSystemFacts::maxFileSize() const {
    return format == "fat" || type == "vfat" || type == "msdos" ? 0xFFFFFFFFull : 0;
}

std::string FileSystemFacts::refusal(const std::string& name, unsigned long long size) const {
    if (windowsNames()) {
        for (const unsigned char c : name)
            if (c < 0x20 || std::strchr(":*?\"<>|\\", c) != nullptr)
                return "コピー先のファイルシステムでは名前に使えない文字 (: * ? \" < > | \\ など) "
                       "があります";
        if (!name.empty() && (name.back() == '.' || name.back() == ' ') && name != "." &&
            name != "..")
            return "コピー先のファイルシステムでは名前の末尾にピリオドや空白を置けません";
    }
    if (maxFileSize() != 0 && size > maxFileSize())
        return "コピー先のファイルシステムに入る大きさ (4 GiB - 1 バイト) を超えています";
    return {};
}

std::string foldedName(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

FileSystemFacts fileSystemOf(int fd) {
    FileSystemFacts facts;
    struct stat st;
    struct statfs fs;
    if (::fstat(fd, &st) != 0 || ::fstatfs(fd, &fs) != 0)
        return facts;
    facts.known = true;
    // Of the mounts of this device, a mount of its whole file system rather than a bind mount
    // of a folder of it.
    libmnt_fs* best = nullptr;
    const MountTable table;
    table.forEach([&](libmnt_fs* fs) {
        if (::mnt_fs_get_devno(fs) == st.st_dev &&
            (best == nullptr || (text(::mnt_fs_get_root(best)) != "/" &&
                                 text(::mnt_fs_get_root(fs)) == "/")))
            best = fs;
    });
    if (best != nullptr) {
        facts.type = text(::mnt_fs_get_fstype(best));
        facts.mountPoint = text(::mnt_fs_get_target(best));
        facts.source = text(::mnt_fs_get_source(best));
        struct stat device;
        if (::stat(facts.source.c_str(), &device) == 0 && S_ISBLK(device.st_mode))
            facts.uuid = uuidFromDeviceLinks(device.st_rdev);
        probeVolume(facts.source, facts);
    }
    facts.timeResolutionNs = resolutionOf(static_cast<unsigned long>(fs.f_type), facts);
    return facts;
}

FileSystemFacts fileSystemOfPath(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        fd.reset(::open(path.c_str(), O_PATH | O_CLOEXEC));
    return fd ? fileSystemOf(fd.get()) : FileSystemFacts{};
}

long long coarserResolution(long long a, long long b) {
    return a > b ? a : b;
}

bool isNewerAt(const struct timespec& source, const struct timespec& target,
               long long resolutionNs) {
    // Whole steps of the resolution: seconds and nanoseconds apart, so no sum overflows.
    const auto cut = [resolutionNs](const struct timespec& t) {
        struct timespec c = t;
        if (resolutionNs >= kSecond) {
            const long long step = resolutionNs / kSecond;
            c.tv_sec -= ((c.tv_sec % step) + step) % step;
            c.tv_nsec = 0;
        } else if (resolutionNs > 1) {
            c.tv_nsec -= c.tv_nsec % resolutionNs;
        }
        return c;
    };
    const struct timespec a = cut(source), b = cut(target);
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

bool isMountPoint(const std::string& path) {
    struct stat self, parent;
    if (::stat(path.c_str(), &self) != 0 || !S_ISDIR(self.st_mode) ||
        ::stat((path + "/..").c_str(), &parent) != 0)
        return false;
    if (self.st_dev != parent.st_dev || self.st_ino == parent.st_ino)
        return true;
    // A bind mount of a folder of the same file system shows the same device.
    char real[PATH_MAX];
    if (::realpath(path.c_str(), real) == nullptr)
        return false;
    bool found = false;
    MountTable().forEach(
        [&](libmnt_fs* fs) { found = found || text(::mnt_fs_get_target(fs)) == real; });
    return found;
}

} // namespace trevane
