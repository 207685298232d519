#include "Extractor.h"

#include "PathConventions.h"

#include "ArchiveReader.h"
#include "ArchiveUpdater.h"
#include "OutputFile.h"
#include "PathRules.h"

#include "FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace unlha {

namespace {

std::string errorText() {
    return std::generic_category().message(errno);
}

// The first failure; a real one outweighs a file that was only kept.
void keepFirst(Status& first, const Status& s) {
    if (!s.ok() && (first.ok() || (first.code() == Code::Kept && s.code() != Code::Kept)))
        first = s;
}

// Creates the folder and its missing parents.
bool makeFolders(const std::string& path) {
    if (path.empty())
        return true;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    size_t slash = path.rfind('/', path.size() - 1);
    if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

// Mac archivers store a file as MacBinary: a 128-byte header, the data fork and the
// resource fork, each padded to 128 bytes. Other systems want the data fork alone, which
// is what other readers extract too.
class MacBinaryFilter {
public:
    MacBinaryFilter(const MemberHeader& h, Decoder::Sink next)
        : m_active(h.osId == 'm' && h.originalSize >= 128), m_size(h.originalSize),
          m_next(std::move(next)) {}

    bool operator()(const uint8_t* data, size_t size) {
        if (!m_active)
            return m_next(data, size);
        while (size && !m_decided) {
            m_head.push_back(*data++);
            --size;
            if (m_head.size() == 128 && !decide())
                return false;
        }
        if (!m_decided)
            return true;
        // Pass on only the data fork, which starts after the header.
        uint64_t from = m_seen, to = m_seen + size;
        m_seen = to;
        if (!m_strip)
            return m_next(data, size);
        uint64_t lo = std::max<uint64_t>(from, 128), hi = std::min<uint64_t>(to, 128 + m_data);
        return lo >= hi || m_next(data + (lo - from), static_cast<size_t>(hi - lo));
    }
    // Headers shorter than 128 bytes were never a MacBinary header: hand them on as they are.
    bool finish() { return !m_active || m_decided || m_next(m_head.data(), m_head.size()); }

private:
    bool decide() {
        m_decided = true;
        m_seen = 128;
        const uint8_t* b = m_head.data();
        auto be32 = [&](int at) {
            return static_cast<uint64_t>(b[at]) << 24 | static_cast<uint64_t>(b[at + 1]) << 16 |
                   static_cast<uint64_t>(b[at + 2]) << 8 | b[at + 3];
        };
        m_data = be32(83);
        uint64_t rsrc = be32(87);
        auto padded = [](uint64_t n) { return (n + 127) / 128 * 128; };
        m_strip = b[0] == 0 && b[1] >= 1 && b[1] <= 63 && b[74] == 0 && b[82] == 0 &&
                  128 + padded(m_data) + padded(rsrc) == m_size;
        return m_strip || m_next(b, 128);
    }

    bool m_active;
    uint64_t m_size;
    Decoder::Sink m_next;
    std::vector<uint8_t> m_head;
    bool m_decided = false;
    bool m_strip = false;
    uint64_t m_data = 0;
    uint64_t m_seen = 0;
};

// Writes a member's bytes to a new file, leaving blocks of zeros out as holes: a disk image
// or database file that was sparse when archived is sparse again, instead of filling the disk.
class SparseWriter {
public:
    explicit SparseWriter(int fd) : m_fd(fd) {}
    bool write(const uint8_t* data, size_t size) {
        while (size > 0) {
            const size_t piece = std::min<size_t>(size, kBlock - m_offset % kBlock);
            const bool zeros = std::all_of(data, data + piece, [](uint8_t b) { return b == 0; });
            if (zeros ? ::lseek(m_fd, static_cast<off_t>(piece), SEEK_CUR) < 0
                      : !OutputFile::writeAll(m_fd, data, piece))
                return false;
            m_offset += piece;
            data += piece;
            size -= piece;
        }
        return true;
    }
    // Sets the size, which a hole at the end has not reached yet.
    bool finish() { return ::ftruncate(m_fd, static_cast<off_t>(m_offset)) == 0; }

private:
    static constexpr size_t kBlock = 4096;
    int m_fd;
    uint64_t m_offset = 0;
};

} // namespace

Extractor::Extractor(Options options, std::string& report)
    : m_options(std::move(options)), m_report(report) {
    m_root = trevane::PathConventions::withoutTrailingSeparators(m_options.target);
    if (!m_root.empty() && m_root != "/")
        m_root += '/';
}

namespace {

// Modes come only from headers of Unix origin: other systems keep other bits in that word (an
// OS-9 header's owner bits, for one). Whatever the header says, the owner may read and write
// what is restored, and enter its folders; the umask has its say as for any new file.
std::optional<mode_t> folderMode(const MemberHeader& h, mode_t umask) {
    if (h.osId != 'U' || !h.unixMode)
        return std::nullopt;
    return static_cast<mode_t>((*h.unixMode & 0777) | 0700) & ~umask;
}

// A new file's mode before the umask, which creating it applies.
mode_t fileMode(const MemberHeader& h) {
    if (h.osId == 'U' && h.unixMode)
        return static_cast<mode_t>((*h.unixMode & 0777) | 0600);
    return (h.dosAttributes & 0x01) ? 0644 : 0666; // read-only: nobody else may write
}

// Why the folders of path could not be opened below the target. A folder on the way that is
// a link (one an earlier member made, one that was there, one swapped in meanwhile) is never
// entered.
Status folderStatus(const std::string& path, int error) {
    if (error == ELOOP || error == EXDEV)
        return Status(Code::Unsafe,
                      "refused to write through a link: " + PathRules::printable(path));
    if (error == ENOTDIR)
        return Status(Code::Io, "not a folder on the way to " + PathRules::printable(path));
    return Status(Code::Io, "cannot create " + PathRules::printable(path) + ": " +
                                std::generic_category().message(error));
}

} // namespace

Status Extractor::placeFor(const std::string& path, trevane::BeneathFolder::Place& place) {
    place = m_target.place(path, true);
    return place.ok() ? Status() : folderStatus(path, place.error);
}

Status Extractor::extractFile(ArchiveReader& reader, const MemberHeader& h,
                              const std::string& path) {
    trevane::BeneathFolder::Place place;
    Status s = placeFor(path, place);
    if (!s.ok())
        return s;
    struct stat st;
    const bool there =
        ::fstatat(place.folder.get(), place.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (there && S_ISDIR(st.st_mode))
        return Status(Code::Io, "a folder is in the way: " + PathRules::printable(path));
    // Restoring never destroys newer work nor a file its owner protected, unless asked to.
    if (there && S_ISREG(st.st_mode) && !m_options.overwrite) {
        if (st.st_mtime > static_cast<time_t>(h.mtime))
            return Status(Code::Kept, PathRules::printable(path) + "は新しいので展開しません");
        if ((st.st_mode & 0222) == 0)
            return Status(Code::Kept,
                          PathRules::printable(path) + "は読み取り専用なので展開しません");
    }
    if (m_options.beforeWrite)
        m_options.beforeWrite(path);
    return writeMember(reader, h, place.folder.get(), place.name, path, m_unnamed);
}

Status Extractor::writeMember(ArchiveReader& reader, const MemberHeader& h, int folderFd,
                              const std::string& name, const std::string& path,
                              trevane::UnnamedFiles& unnamed) {
    // The member is written beside its place and takes it only once it decoded whole: a
    // damaged member or a full disk leaves the file already there as it was. Taking the place
    // replaces a link there, never writing through it.
    const mode_t mode = fileMode(h);
    Status s;
    std::string temp;
    trevane::UniqueFd out(unnamed.create(folderFd, O_WRONLY | O_CLOEXEC, mode));
    if (!out && errno == ENOTSUP) {
        temp = unnamed.temporaryName();
        out.reset(trevane::fileSystemCalls().openat(
            folderFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    }
    if (!out)
        return Status(Code::Io, "cannot create " + PathRules::printable(path) + ": " + errorText());
    const int fd = out.get();
    SparseWriter writer(fd);
    MacBinaryFilter filter(
        h, [&writer](const uint8_t* data, size_t size) { return writer.write(data, size); });
    s = reader.extract([&](const uint8_t* data, size_t size) { return filter(data, size); });
    if (s.ok() && (!filter.finish() || !writer.finish()))
        s = Status(Code::Io, "cannot write " + PathRules::printable(path) + ": " + errorText());
    if (s.ok()) {
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(h.mtime);
        times[0].tv_nsec = times[1].tv_nsec = 0;
        ::futimens(fd, times);
        int error = 0;
        if (temp.empty())
            error = unnamed.link(fd, folderFd, name.c_str());
        else if (trevane::fileSystemCalls().renameat(folderFd, temp.c_str(), folderFd,
                                                     name.c_str()) == 0)
            temp.clear();
        else
            error = errno;
        if (error != 0)
            s = Status(Code::Io, "cannot create " + PathRules::printable(path) + ": " +
                                     std::generic_category().message(error));
    }
    if (const int error = out.close(); error != 0 && s.ok())
        s = Status(Code::Io, "cannot write " + PathRules::printable(path) + ": " +
                                 std::generic_category().message(error));
    if (!temp.empty())
        ::unlinkat(folderFd, temp.c_str(), 0);
    return s;
}

Status Extractor::makeLink(const MemberHeader& h, const std::string& path) {
    if (!PathRules::linkStaysInside(path, h.linkTarget))
        return Status(Code::Unsafe,
                      "refused a link that points outside: " + PathRules::printable(path) + " -> " +
                          PathRules::printable(h.linkTarget));
    trevane::BeneathFolder::Place place;
    Status s = placeFor(path, place);
    if (!s.ok())
        return s;
    if (m_options.beforeWrite)
        m_options.beforeWrite(path);
    // A file or link already at the place is removed first (a folder there is an error), so
    // that the new link never writes through an old one.
    struct stat st;
    if (::fstatat(place.folder.get(), place.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode))
            return Status(Code::Io, "a folder is in the way: " + PathRules::printable(path));
        ::unlinkat(place.folder.get(), place.name.c_str(), 0);
    }
    if (::symlinkat(h.linkTarget.c_str(), place.folder.get(), place.name.c_str()) != 0)
        return Status(Code::Io,
                      "cannot create link " + PathRules::printable(path) + ": " + errorText());
    return {};
}

Status Extractor::walk(ArchiveReader& reader,
                       const std::function<Status(const MemberHeader&)>& visit) {
    Status first;
    MemberHeader h;
    bool selected = false;
    for (;;) {
        Status s;
        auto r = reader.next(h, s);
        if (r == HeaderReader::Result::End)
            break;
        if (r == HeaderReader::Result::Error) {
            keepFirst(first, s);
            m_report += s.message() + "\n";
            break;
        }
        if (!memberSelected(m_options.patterns, h.path))
            continue;
        selected = true;
        s = visit(h);
        if (!s.ok()) {
            m_report += s.message() + "\n";
            keepFirst(first, s);
        }
    }
    // Names that select nothing (a mistyped name, a target folder given without its "/") are
    // a failure: the user asked for members that were not there.
    if (!selected && !m_options.patterns.empty() && first.ok()) {
        first = Status(Code::NothingToDo, "no member matched");
        m_report += first.message() + "\n";
    }
    return first;
}

Status Extractor::extract() {
    ArchiveReader reader;
    Status s = reader.open(m_options.archive);
    if (!s.ok())
        return s;
    if (const std::string link = trevane::untrustedLink(m_root); !link.empty())
        return Status(Code::Unsafe, trevane::untrustedLinkText(link));
    if (!m_root.empty() && !makeFolders(m_root.substr(0, m_root.size() - 1)))
        return Status(Code::Io, "cannot create " + m_root);
    if (const int error = m_target.openTarget(m_root); error != 0)
        return Status(Code::Io, "cannot open " + PathRules::printable(m_root) + ": " +
                                    std::generic_category().message(error));
    m_umask = trevane::currentUmask();
    size_t files = 0;
    trevane::FolderStamps folders;
    Status first = walk(reader, [&](const MemberHeader& h) -> Status {
        if (h.path.empty())
            return {};
        std::string path;
        if (!PathRules::safeRelative(h.path, path))
            return Status(Code::Unsafe, "refused unsafe name: " + PathRules::printable(h.path));
        if (!m_options.keepFolders) {
            if (h.isDirectory())
                return {};
            path = PathRules::baseName(path);
        }
        if (h.isDirectory()) {
            const trevane::UniqueFd folder = m_target.makeFolders(path, 0777);
            if (folder)
                folders.remember(path, folder.get(), folderMode(h, m_umask), h.mtime);
            else
                s = folderStatus(path, errno);
        } else if (h.isSymlink) {
            s = makeLink(h, path);
        } else if (!Decoder::supports(h.method)) {
            s = Status(Code::Unsupported, "unknown method " + PathRules::printable(h.method) +
                                              ": " + PathRules::printable(path));
        } else {
            s = extractFile(reader, h, path);
        }
        if (s.ok()) {
            if (!h.isDirectory())
                ++files;
            m_report += PathRules::printable(path) + "\n";
        }
        return s;
    });
    // Folder modes and times last: writing the files inside changed the times. Each folder is
    // reopened below the target and changed only when it is still the folder made here.
    if (m_options.beforeWrite)
        m_options.beforeWrite("");
    folders.apply(m_target);
    m_report += std::to_string(files) + " extracted\n";
    return first;
}

Status Extractor::test() {
    ArchiveReader reader;
    Status s = reader.open(m_options.archive);
    if (!s.ok())
        return s;
    size_t tested = 0;
    Status first = walk(reader, [&](const MemberHeader& h) -> Status {
        if (h.isDirectory() || h.isSymlink)
            return {};
        ++tested;
        return reader.extract([](const uint8_t*, size_t) { return true; });
    });
    m_report +=
        std::to_string(tested) + (first.ok() ? " tested, no errors\n" : " tested, errors\n");
    return first;
}

Status Extractor::list() {
    ArchiveReader reader;
    Status s = reader.open(m_options.archive);
    if (!s.ok())
        return s;
    m_report += "      Size    Packed Ratio Method Date       Time     Name\n";
    uint64_t totalSize = 0, totalPacked = 0;
    size_t count = 0;
    // Listing cannot fail on a member: a failure is a damaged header, and ends the listing.
    s = walk(reader, [&](const MemberHeader& h) -> Status {
        char line[128];
        time_t t = static_cast<time_t>(h.mtime);
        std::tm tm{};
        localtime_r(&t, &tm);
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
        double ratio = h.originalSize ? 100.0 * static_cast<double>(h.compressedSize) /
                                            static_cast<double>(h.originalSize)
                                      : 0.0;
        std::snprintf(line, sizeof line, "%10" PRIu64 " %9" PRIu64 " %4.0f%% %-6s %s ",
                      h.originalSize, h.compressedSize, ratio,
                      PathRules::printable(h.method).c_str(), when);
        m_report += line;
        m_report += PathRules::printable(h.path);
        if (h.isDirectory())
            m_report += "/";
        if (h.isSymlink)
            m_report += " -> " + PathRules::printable(h.linkTarget);
        m_report += "\n";
        totalSize += h.originalSize;
        totalPacked += h.compressedSize;
        ++count;
        return {};
    });
    if (!s.ok())
        return s;
    m_report += std::to_string(count) + " members, " + std::to_string(totalSize) + " bytes, " +
                std::to_string(totalPacked) + " packed\n";
    return {};
}

} // namespace unlha
