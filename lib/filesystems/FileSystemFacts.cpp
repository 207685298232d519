#include "FileSystemFacts.h"

#include "UniqueFd.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
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

// The mount table escapes blanks, tabs, newlines and backslashes as octal "\040".
std::string unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

struct MountEntry {
    unsigned major = 0, minor = 0;
    std::string root, mountPoint, type, source;
};

std::vector<MountEntry> readMountTable() {
    std::vector<MountEntry> entries;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string id, parent, device, root, point, options, word;
        if (!(words >> id >> parent >> device >> root >> point >> options))
            continue;
        while (words >> word && word != "-") {
        }
        MountEntry e;
        if (std::sscanf(device.c_str(), "%u:%u", &e.major, &e.minor) != 2 ||
            !(words >> e.type >> e.source))
            continue;
        e.root = unescape(root);
        e.mountPoint = unescape(point);
        e.source = unescape(e.source);
        entries.push_back(std::move(e));
    }
    return entries;
}

uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads what the volume's first sectors say it is, and its serial number or UUID. Needs the
// right to read the device (or image file), which only root or the disk group usually have.
void probeVolume(const std::string& source, FileSystemFacts& facts) {
    if (source.empty() || source[0] != '/')
        return;
    const UniqueFd fd(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return;
    struct stat st;
    unsigned char b[2048] = {};
    const bool readable = ::fstat(fd.get(), &st) == 0 &&
                          (S_ISBLK(st.st_mode) || S_ISREG(st.st_mode)) &&
                          ::pread(fd.get(), b, sizeof b, 0) == static_cast<ssize_t>(sizeof b);
    if (!readable)
        return;
    char text[40];
    if (std::memcmp(b + 3, "EXFAT   ", 8) == 0) {
        facts.format = "exfat";
        const uint32_t serial = le32(b + 100);
        std::snprintf(text, sizeof text, "%04X-%04X", serial >> 16, serial & 0xFFFF);
    } else if (std::memcmp(b + 3, "NTFS    ", 8) == 0) {
        facts.format = "ntfs";
        std::snprintf(text, sizeof text, "%08X%08X", le32(b + 76), le32(b + 72));
    } else if (std::memcmp(b + 82, "FAT32   ", 8) == 0 || std::memcmp(b + 54, "FAT1", 4) == 0) {
        facts.format = "fat";
        const uint32_t serial = le32(b + (b[82] == 'F' ? 67 : 39));
        std::snprintf(text, sizeof text, "%04X-%04X", serial >> 16, serial & 0xFFFF);
    } else if (b[1024 + 56] == 0x53 && b[1024 + 57] == 0xEF) {
        facts.format = "ext";
        const unsigned char* u = b + 1024 + 104;
        std::snprintf(text, sizeof text,
                      "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", u[0],
                      u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8], u[9], u[10], u[11], u[12],
                      u[13], u[14], u[15]);
    } else {
        return;
    }
    if (facts.uuid.empty())
        facts.uuid = text;
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
    const MountEntry* best = nullptr;
    const std::vector<MountEntry> table = readMountTable();
    for (const MountEntry& e : table)
        if (e.major == major(st.st_dev) && e.minor == minor(st.st_dev) &&
            (best == nullptr || (best->root != "/" && e.root == "/")))
            best = &e;
    if (best != nullptr) {
        facts.type = best->type;
        facts.mountPoint = best->mountPoint;
        facts.source = best->source;
        struct stat device;
        if (::stat(best->source.c_str(), &device) == 0 && S_ISBLK(device.st_mode))
            facts.uuid = uuidFromDeviceLinks(device.st_rdev);
        probeVolume(best->source, facts);
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
    for (const MountEntry& e : readMountTable())
        if (e.mountPoint == real)
            return true;
    return false;
}

} // namespace trevane
