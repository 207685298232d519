#include "TreeRemover.h"

#include "PathConventions.h"

#include "ErrorText.h"
#include "FileSystem.h"
#include "FolderEntries.h"
#include "PrintableName.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace trevane {

namespace {

std::string join(const std::string& folder, const std::string& name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace

TreeRemover::TreeRemover(const RemovalGuard& guard, std::FILE* err) : m_guard(guard), m_err(err) {}

bool TreeRemover::mountOf(int fd, Mount& mount) {
    struct statx stx;
    if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &stx) != 0)
        return false;
    mount.device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    mount.id = (stx.stx_mask & STATX_MNT_ID) ? stx.stx_mnt_id : 0;
    return true;
}

void TreeRemover::reportLine(const std::string& line) {
    std::fprintf(m_err, "%s\n", printableName(line).c_str());
    std::fflush(m_err);
}

void TreeRemover::report(const std::string& path, int errorNumber) {
    reportLine(path + ": " + ErrorText::of(errorNumber));
}

int TreeRemover::unlinkWithPermission(int folderFd, const std::string& name, int flags) {
    if (::unlinkat(folderFd, name.c_str(), flags) == 0)
        return 0;
    if (errno != EACCES && errno != EPERM)
        return errno;
    // A folder without write permission keeps its entries; the owner may grant it.
    struct stat st;
    if (::fstat(folderFd, &st) != 0 || ::fchmod(folderFd, (st.st_mode & 07777) | S_IRWXU) != 0)
        return EACCES;
    return ::unlinkat(folderFd, name.c_str(), flags) == 0 ? 0 : errno;
}

bool TreeRemover::removeEntry(int folderFd, const std::string& folderPath, const std::string& name,
                              unsigned char type, const Mount& mount) {
    const std::string path = join(folderPath, name);
    if (type == DT_UNKNOWN) {
        struct stat st;
        if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                return true;
            report(path, errno);
            return false;
        }
        type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
    }
    if (type != DT_DIR) {
        const int error = unlinkWithPermission(folderFd, name, 0);
        if (error == 0 || error == ENOENT)
            return true;
        if (error != EISDIR) { // replaced by a folder since it was listed: go on below
            report(path, error);
            return false;
        }
    }

    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    UniqueFd fd(::openat(folderFd, name.c_str(), flags));
    if (!fd && errno == EACCES && ::fchmodat(folderFd, name.c_str(), 0700, 0) == 0)
        fd.reset(::openat(folderFd, name.c_str(), flags));
    if (!fd) {
        if (errno == ENOENT)
            return true;
        if (errno == ELOOP || errno == ENOTDIR) // replaced by a link or file: remove just that
            return unlinkWithPermission(folderFd, name, 0) == 0;
        report(path, errno);
        return false;
    }
    Mount here;
    if (!mountOf(fd.get(), here)) {
        report(path, errno);
        return false;
    }
    // A bind mount shows a folder from elsewhere on the same device: only the mount tells.
    if (here != mount) {
        reportLine("別のファイルシステムがマウントされているので削除しません - " + path);
        return false;
    }
    bool ok = removeContents(fd.get(), path, mount);
    fd.reset();
    if (ok) {
        const int error = unlinkWithPermission(folderFd, name, AT_REMOVEDIR);
        if (error != 0 && error != ENOENT) {
            report(path, error);
            ok = false;
        }
    }
    return ok;
}

bool TreeRemover::removeContents(int folderFd, const std::string& path, const Mount& mount) {
    std::vector<FolderEntry> entries;
    int error = 0;
    if (!listFolder(folderFd, entries, error)) {
        report(path, error);
        return false;
    }
    bool ok = true;
    // Every entry is tried even after a failure, so as much as possible is gone.
    for (const FolderEntry& entry : entries)
        ok = removeEntry(folderFd, path, entry.name, entry.type, mount) && ok;
    return ok;
}

bool TreeRemover::remove(const std::string& path) {
    if (const std::string refusal = m_guard.checkPath(path); !refusal.empty()) {
        reportLine(refusal);
        return false;
    }
    const std::string trimmed = PathConventions::withoutTrailingSeparators(path);
    // A link another user planted on the way (in a folder of theirs) is not followed: run as
    // root, it would empty whatever folder it points at.
    if (const std::string link = untrustedLink(trimmed); !link.empty()) {
        reportLine(untrustedLinkText(link));
        return false;
    }

    struct stat st;
    if (::lstat(trimmed.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return true; // nothing to remove is not a failure: the folder is gone either way
        report(path, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(trimmed.c_str()) != 0 && errno != ENOENT) {
            report(path, errno);
            return false;
        }
        return true;
    }

    UniqueFd fd(::open(trimmed.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        report(path, errno);
        return false;
    }
    // Checked on the opened folder, so a name swapped meanwhile cannot slip past the guard.
    Mount mount;
    if (::fstat(fd.get(), &st) != 0 || !mountOf(fd.get(), mount)) {
        report(path, errno);
        return false;
    }
    if (const std::string refusal = m_guard.checkFolder(path, st); !refusal.empty()) {
        reportLine(refusal);
        return false;
    }
    bool ok = removeContents(fd.get(), path, mount);
    fd.reset();
    // A target where a file system is mounted (a backup disk as the destination) can only be
    // emptied: with its contents gone it is as removed as it can be, which is no failure.
    if (ok && ::rmdir(trimmed.c_str()) != 0 && errno != ENOENT && errno != EBUSY) {
        report(path, errno);
        ok = false;
    }
    return ok;
}

} // namespace trevane
