#include "engine/RestoreTarget.h"

#include "BeneathFolder.h"
#include "FileSystem.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace trevane {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::vector<std::string> partsOf(const std::string& path) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at < path.size();) {
        std::size_t slash = path.find('/', at);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > at)
            parts.push_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    return parts;
}

} // namespace

std::pair<std::string, std::string> splitRelative(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

bool RestoreTarget::open(const std::string& folder, bool make, std::string& error) {
    // The target's own path is the user's to choose, links included (only those of the user or
    // of root, as everywhere the program writes); below it nothing is followed.
    if (const std::string link = untrustedLink(folder); make && !link.empty()) {
        error = untrustedLinkText(link);
        return false;
    }
    for (std::size_t at = 0; make && at != std::string::npos;) {
        const std::size_t slash = folder.find('/', at + 1);
        const std::string made = folder.substr(0, slash);
        if (!made.empty())
            ::mkdir(made.c_str(), 0777);
        at = slash;
    }
    if (const int failed = m_root.openTarget(folder.empty() ? "." : folder); failed != 0) {
        error = folder + ": " + std::generic_category().message(failed);
        return false;
    }
    return true;
}

RestoreTarget::Entry RestoreTarget::look(const std::string& path) const {
    Entry entry;
    const auto [folder, name] = splitRelative(path);
    if (!m_root)
        return entry;
    UniqueFd current(::fcntl(m_root.fd(), F_DUPFD_CLOEXEC, 0));
    std::string walked;
    for (const std::string& part : partsOf(folder)) {
        walked += (walked.empty() ? "" : "/") + part;
        struct stat st;
        if (::fstatat(current.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return entry; // missing
        if (!S_ISDIR(st.st_mode)) {
            entry.kind = Entry::Kind::Blocked;
            entry.blockedAt = walked;
            return entry;
        }
        current.reset(::openat(current.get(), part.c_str(), kFolderFlags));
        if (!current) {
            entry.kind = Entry::Kind::Blocked;
            entry.blockedAt = walked;
            return entry;
        }
    }
    if (::fstatat(current.get(), name.c_str(), &entry.st, AT_SYMLINK_NOFOLLOW) != 0)
        return entry;
    const mode_t type = entry.st.st_mode & S_IFMT;
    entry.kind = type == S_IFREG   ? Entry::Kind::File
                 : type == S_IFDIR ? Entry::Kind::Folder
                 : type == S_IFLNK ? Entry::Kind::Link
                                   : Entry::Kind::Other;
    if (entry.kind == Entry::Kind::Link) {
        std::string text(static_cast<std::size_t>(entry.st.st_size) + 1, '\0');
        const ssize_t n = ::readlinkat(current.get(), name.c_str(), text.data(), text.size());
        text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        entry.linkTarget = std::move(text);
    }
    return entry;
}

UniqueFd RestoreTarget::openFolder(const std::string& path, bool make) const {
    if (!m_root) {
        errno = ENOENT;
        return UniqueFd();
    }
    return make ? m_root.makeFolders(path, 0777) : m_root.open(path, O_RDONLY | O_DIRECTORY);
}

int RestoreTarget::setAside(const std::string& path) {
    if (m_aside.empty()) {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
        const UniqueFd top = openFolder(kAsideFolder, true);
        if (!top)
            return errno;
        // Two restores in one second each get a folder of their own.
        std::string name = stamp;
        for (int n = 2; ::mkdirat(top.get(), name.c_str(), 0700) != 0; ++n) {
            if (errno != EEXIST || n > 99)
                return errno;
            name = std::string(stamp) + "-" + std::to_string(n);
        }
        m_aside = std::string(kAsideFolder) + "/" + name;
    }
    const auto [folder, name] = splitRelative(path);
    const UniqueFd from = openFolder(folder, false);
    const UniqueFd to = openFolder(m_aside + "/" + folder, true);
    if (!from || !to)
        return errno;
    return ::renameat2(from.get(), name.c_str(), to.get(), name.c_str(), RENAME_NOREPLACE) == 0
               ? 0
               : errno;
}

void RestoreTarget::putBack(const std::string& path) {
    const auto [folder, name] = splitRelative(path);
    const UniqueFd from = openFolder(m_aside + "/" + folder, false);
    const UniqueFd to = openFolder(folder, false);
    if (from && to)
        ::renameat2(from.get(), name.c_str(), to.get(), name.c_str(), RENAME_NOREPLACE);
}

} // namespace trevane
