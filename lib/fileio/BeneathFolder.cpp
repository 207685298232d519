#include "BeneathFolder.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <string_view>
#include <sys/syscall.h>
#include <unistd.h>

namespace trevane {

namespace {

// Whether openat2 resolves below a folder here: 1 yes, 0 no (a kernel before 5.6, a sandbox
// that refuses the call), -1 not asked yet. Tests set 0 to walk one name at a time.
std::atomic<int> g_openat2{-1};

// The names of a path below a folder; false for a path that would leave it (a leading "/",
// a ".." anywhere: the names before it may be links the walk must not follow back).
bool namesOf(const std::string& relative, std::vector<std::string>& names) {
    if (relative.starts_with('/'))
        return false;
    size_t i = 0;
    while (i <= relative.size()) {
        size_t slash = relative.find('/', i);
        if (slash == std::string::npos)
            slash = relative.size();
        const std::string_view part(relative.data() + i, slash - i);
        i = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return false;
        names.emplace_back(part);
    }
    return true;
}

int openat2Beneath(int dirFd, const char* path, int flags, mode_t mode) {
    struct open_how how {};
    how.flags = static_cast<uint64_t>(flags);
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE)
        how.mode = mode;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
    for (int tries = 0;; ++tries) {
        const long fd = ::syscall(SYS_openat2, dirFd, path, &how, sizeof how);
        // EAGAIN: a rename elsewhere raced the lookup; the kernel asks to try again.
        if (fd >= 0 || (errno != EINTR && errno != EAGAIN) || tries == 8)
            return static_cast<int>(fd);
    }
}

bool haveOpenat2(int dirFd) {
    const int known = g_openat2.load(std::memory_order_relaxed);
    if (known >= 0)
        return known == 1;
    const int probe = openat2Beneath(dirFd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC, 0);
    if (probe >= 0) {
        ::close(probe);
        g_openat2.store(1, std::memory_order_relaxed);
        return true;
    }
    // Only the call's own refusal says the kernel lacks it; a bad folder says nothing.
    if (errno == ENOSYS || errno == EPERM || errno == EINVAL || errno == E2BIG)
        g_openat2.store(0, std::memory_order_relaxed);
    return false;
}

// After a failed open of `name` in `dirFd`: ELOOP when a link stands there (O_DIRECTORY with
// O_NOFOLLOW reports a link as ENOTDIR), else the open's own error.
int whyNot(int dirFd, const std::string& name, int error) {
    struct stat st;
    if ((error == ENOTDIR || error == ELOOP) &&
        ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        return ELOOP;
    return error;
}

// Opens the last name in `dirFd`, never following a link there, even with O_PATH.
UniqueFd openLast(int dirFd, const std::string& name, int flags, mode_t mode) {
    UniqueFd fd(::openat(dirFd, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd) {
        errno = whyNot(dirFd, name, errno);
        return fd;
    }
    struct stat st;
    if ((flags & O_PATH) != 0 && ::fstat(fd.get(), &st) == 0 && S_ISLNK(st.st_mode)) {
        errno = ELOOP;
        fd.reset();
    }
    return fd;
}

// One step down, to an existing folder: needs only the right to pass through it.
UniqueFd stepInto(int dirFd, const std::string& name) {
    return openLast(dirFd, name, O_PATH | O_DIRECTORY, 0);
}

} // namespace

void BeneathFolder::walkOneNameAtATime(bool on) {
    g_openat2.store(on ? 0 : -1);
}

int BeneathFolder::openTarget(const std::string& path) {
    m_fd.reset(::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return m_fd ? 0 : errno;
}

UniqueFd BeneathFolder::open(const std::string& relative, int flags, mode_t mode) const {
    std::vector<std::string> names;
    if (!namesOf(relative, names)) {
        errno = EXDEV;
        return {};
    }
    if (haveOpenat2(m_fd.get())) {
        // O_PATH with O_NOFOLLOW would hand out the link itself; RESOLVE_NO_SYMLINKS refuses
        // every link, the last one included, without it.
        const int own = (flags & O_PATH) != 0 ? O_CLOEXEC : O_CLOEXEC | O_NOFOLLOW;
        return UniqueFd(
            openat2Beneath(m_fd.get(), names.empty() ? "." : relative.c_str(), flags | own, mode));
    }
    if (names.empty())
        return UniqueFd(::openat(m_fd.get(), ".", flags | O_CLOEXEC, mode));
    UniqueFd held;
    int at = m_fd.get();
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        held = stepInto(at, names[i]);
        if (!held)
            return {};
        at = held.get();
    }
    return openLast(at, names.back(), flags, mode);
}

UniqueFd BeneathFolder::makeFolders(const std::string& relative, mode_t mode) const {
    UniqueFd whole = open(relative, O_PATH | O_DIRECTORY);
    if (whole || errno != ENOENT)
        return whole;
    std::vector<std::string> names;
    namesOf(relative, names); // open() took it
    UniqueFd held;
    int at = m_fd.get();
    for (const std::string& name : names) {
        UniqueFd next = stepInto(at, name);
        if (!next && errno == ENOENT) {
            if (::mkdirat(at, name.c_str(), mode) != 0 && errno != EEXIST)
                return {};
            next = stepInto(at, name);
        }
        if (!next)
            return {};
        held = std::move(next);
        at = held.get();
    }
    return held;
}

BeneathFolder::Place BeneathFolder::place(const std::string& relative, bool makeParents,
                                          mode_t folderMode) const {
    Place p;
    std::vector<std::string> names;
    if (!namesOf(relative, names)) {
        p.error = EXDEV;
        return p;
    }
    if (names.empty()) {
        p.error = EINVAL;
        return p;
    }
    p.name = names.back();
    std::string folder;
    for (size_t i = 0; i + 1 < names.size(); ++i)
        folder += names[i] + "/";
    p.folder = makeParents ? makeFolders(folder, folderMode) : open(folder, O_PATH | O_DIRECTORY);
    if (!p.folder)
        p.error = errno != 0 ? errno : EIO;
    return p;
}

void FolderStamps::remember(const std::string& relative, int fd, std::optional<mode_t> mode,
                            std::optional<int64_t> mtime) {
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
        m_entries.push_back({relative, st.st_dev, st.st_ino, mode, mtime});
}

void FolderStamps::apply(const BeneathFolder& target) {
    auto depth = [](const Entry& e) {
        return std::count(e.relative.begin(), e.relative.end(), '/');
    };
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [&](const Entry& a, const Entry& b) { return depth(a) > depth(b); });
    for (const Entry& e : m_entries) {
        const UniqueFd fd = target.open(e.relative, O_RDONLY | O_DIRECTORY);
        struct stat st;
        if (!fd || ::fstat(fd.get(), &st) != 0 || st.st_dev != e.dev || st.st_ino != e.ino)
            continue;
        if (e.mode)
            (void)::fchmod(fd.get(), *e.mode & 07777);
        if (e.mtime) {
            struct timespec times[2];
            times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(*e.mtime);
            times[0].tv_nsec = times[1].tv_nsec = 0;
            (void)::futimens(fd.get(), times);
        }
    }
    m_entries.clear();
}

mode_t currentUmask() {
    // Linux tells it in /proc; asking umask() itself means setting it for a moment, when a file
    // another thread makes would get the wrong mode.
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask & 0777);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace trevane
