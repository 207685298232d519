#include "engine/BackupMembers.h"

#include "ArchiveReader.h"
#include "ArchiveUpdater.h"
#include "FileSystemFacts.h"
#include "PathRules.h"
#include "UniqueFd.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <unordered_map>

namespace trevane {

namespace {

const std::string kLeavesTarget = "復元先の外を指す名前なので復元しません";
const std::string kLinkOut = "復元先の外を指すリンクなので復元しません";

bool climbs(const std::string& path) {
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        if (path.compare(at, slash - at, "..") == 0 && slash - at == 2)
            return true;
        at = slash + 1;
    }
    return false;
}

// Refuses what would be written outside the target: an absolute or climbing name, a link out.
void judge(BackupMember& member) {
    std::string relative;
    if (member.path.front() == '/' || climbs(member.path) ||
        !unlha::PathRules::safeRelative(member.path, relative)) {
        member.refusal = kLeavesTarget;
        return;
    }
    member.path = relative;
    if (member.isLink() && !unlha::PathRules::linkStaysInside(member.path, member.linkTarget))
        member.refusal = kLinkOut;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Lists the folder open as fd, named prefix (empty for the top), into listing.
void walk(int fd, const std::string& prefix, long long resolution, BackupListing& listing) {
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone since the folder was read
        BackupMember member;
        member.path = prefix.empty() ? name : prefix + "/" + name;
        member.mtime = st.st_mtim.tv_sec;
        member.mtimeNs = st.st_mtim.tv_nsec;
        member.timeResolutionNs = resolution;
        member.mode = st.st_mode & 07777;
        if (S_ISREG(st.st_mode)) {
            member.size = static_cast<std::uint64_t>(st.st_size);
        } else if (S_ISDIR(st.st_mode)) {
            member.type = BackupMember::Type::Folder;
        } else if (S_ISLNK(st.st_mode)) {
            member.type = BackupMember::Type::Link;
            std::string text(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
            const ssize_t n =
                ::readlinkat(::dirfd(dir.get()), name.c_str(), text.data(), text.size());
            text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            member.linkTarget = std::move(text);
        } else {
            member.type = BackupMember::Type::Other;
        }
        judge(member);
        const bool folder = member.isFolder();
        listing.members.push_back(std::move(member));
        if (!folder)
            continue;
        const int below = ::openat(::dirfd(dir.get()), name.c_str(),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (below < 0) {
            listing.members.back().refusal =
                "フォルダを読めません: " + std::generic_category().message(errno);
            continue;
        }
        // A copy: the members grow below, and their vector moves.
        const std::string folderPath = listing.members.back().path;
        walk(below, folderPath, resolution, listing);
    }
}

} // namespace

BackupListing listArchiveMembers(const std::string& archive) {
    BackupListing listing;
    unlha::ArchiveReader reader;
    const unlha::Status opened = reader.open(unlha::archiveFileName(archive));
    if (!opened.ok()) {
        listing.status = opened.code() == unlha::Code::NotFound ? BackupListing::Status::Missing
                                                                : BackupListing::Status::Failed;
        listing.error = opened.message();
        return listing;
    }
    std::unordered_map<std::string, std::size_t> seen; // path -> place in members
    listing.status = BackupListing::Status::Listed;
    for (std::size_t index = 0;; ++index) {
        unlha::MemberHeader header;
        unlha::Status status;
        const auto next = reader.next(header, status);
        if (next == unlha::HeaderReader::Result::End)
            break;
        if (next == unlha::HeaderReader::Result::Error) {
            listing.status = BackupListing::Status::Damaged;
            listing.error = status.message();
            break;
        }
        if (header.path.empty())
            continue;
        BackupMember member;
        member.path = header.path;
        member.type = header.isSymlink       ? BackupMember::Type::Link
                      : header.isDirectory() ? BackupMember::Type::Folder
                                             : BackupMember::Type::File;
        member.size = member.type == BackupMember::Type::File ? header.originalSize : 0;
        member.mtime = header.mtime;
        member.timeResolutionNs = header.dosTime ? 2000000000LL : 1000000000LL;
        // Other systems keep other bits in the mode word (an OS-9 header's owner bits).
        if (header.osId == 'U' && header.unixMode)
            member.mode = *header.unixMode & 07777;
        member.linkTarget = header.linkTarget;
        member.index = index;
        judge(member);
        const auto [it, added] = seen.emplace(member.path, listing.members.size());
        if (added)
            listing.members.push_back(std::move(member));
        else if (member.mtime >= listing.members[it->second].mtime)
            listing.members[it->second] = std::move(member);
    }
    return listing;
}

BackupListing listFolderMembers(const std::string& folder) {
    BackupListing listing;
    listing.fromFolder = true;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        listing.status = errno == ENOENT || errno == ENOTDIR ? BackupListing::Status::Missing
                                                             : BackupListing::Status::Failed;
        listing.error = std::generic_category().message(errno);
        return listing;
    }
    const long long resolution = fileSystemOf(fd).timeResolutionNs;
    walk(fd, {}, resolution, listing);
    listing.status = BackupListing::Status::Listed;
    return listing;
}

BackupListing listBackupMembers(const std::string& from) {
    struct stat st;
    if (::stat(from.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return listFolderMembers(from);
    return listArchiveMembers(from);
}

} // namespace trevane
