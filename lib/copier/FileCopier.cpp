#include "FileCopier.h"

#include "FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;
// The most one copy_file_range call is asked for, so that a stop is seen within a large file.
constexpr off_t kRangePiece = 8 * 1024 * 1024;

// The unfinished mark: an access time of 1980-01-01 12:00 UTC, which FAT and exFAT hold in any
// time zone. A mark read back through a time zone's shift is still before the limit.
constexpr time_t kUnfinishedMark = 315576000;
constexpr time_t kUnfinishedBefore = 315705600; // 1980-01-03 00:00 UTC

FileCopier::Outcome readFailed(int error) {
    return {FileCopier::Status::ReadFailed, error};
}

FileCopier::Outcome writeFailed(int error) {
    return {FileCopier::Status::WriteFailed, error};
}

// The copy belongs to whoever runs xcopy, not to the source's owner. Set-user-ID and
// set-group-ID bits stay only where the copy's owner or group is the source's: a backup run by
// root must not turn another user's set-user-ID program into a root one.
mode_t withoutForeignIds(mode_t mode, const struct stat& source, int out) {
    if ((mode & (S_ISUID | S_ISGID)) == 0)
        return mode;
    struct stat copy;
    if (::fstat(out, &copy) != 0)
        return mode & ~(S_ISUID | S_ISGID);
    if (copy.st_uid != source.st_uid)
        mode &= ~S_ISUID;
    if (copy.st_gid != source.st_gid)
        mode &= ~S_ISGID;
    return mode;
}

} // namespace

FileCopier::FileCopier(mode_t creationMask, const std::atomic<bool>* stop, unsigned worker,
                       ModesKept* modesKept)
    : m_creationMask(creationMask), m_stop(stop),
      m_modesKept(modesKept != nullptr ? modesKept : &m_ownModesKept),
      m_unnamed(worker == 0 ? "xcopy" : "xcopy" + std::to_string(worker)) {}

bool FileCopier::unfinished(const struct stat& copy) {
    return S_ISREG(copy.st_mode) && copy.st_atim.tv_sec < kUnfinishedBefore;
}

FileCopier::Outcome FileCopier::copyDataByReading(int in, int out, off_t remaining, bool untilEnd) {
    if (m_buffer.empty())
        m_buffer.resize(kBufferSize);
    while (untilEnd || remaining > 0) {
        if (stopRequested())
            return {Status::Stopped, 0};
        const std::size_t want =
            untilEnd ? m_buffer.size()
                     : static_cast<std::size_t>(std::min<off_t>(remaining, m_buffer.size()));
        const ssize_t got = ::read(in, m_buffer.data(), want);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return readFailed(errno);
        }
        if (got == 0)
            break; // the file shrank while being copied; what was there is copied
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, m_buffer.data() + done, got - done);
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return writeFailed(errno);
            }
            done += put;
        }
        remaining -= got;
    }
    return {};
}

FileCopier::Outcome FileCopier::copyData(int in, int out, const struct stat& st) {
    // A size of zero may be a file whose size the file system does not report (such as a
    // kernel file); reading until the end is exact for both kinds.
    if (st.st_size == 0)
        return copyDataByReading(in, out, 0, true);
    // Fewer blocks than the size needs: the file has holes (a disk image, a database), which
    // stay holes in the copy instead of being written out as zeros.
    if (st.st_blocks * 512 < st.st_size)
        return copySparse(in, out, st.st_size);
    return copyRange(in, out, st.st_size);
}

FileCopier::Outcome FileCopier::copySparse(int in, int out, off_t size) {
    for (off_t data = 0; data < size;) {
        data = ::lseek(in, data, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // only a hole is left
        if (data < 0) {
            // No hole search here: every byte, from the start.
            if (::lseek(in, 0, SEEK_SET) != 0 || ::lseek(out, 0, SEEK_SET) != 0)
                return readFailed(errno);
            return copyRange(in, out, size);
        }
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > size)
            hole = size;
        if (::lseek(in, data, SEEK_SET) != data)
            return readFailed(errno);
        if (::lseek(out, data, SEEK_SET) != data)
            return writeFailed(errno);
        const Outcome outcome = copyRange(in, out, hole - data);
        if (outcome.status != Status::Copied)
            return outcome;
        data = hole;
    }
    if (::ftruncate(out, size) != 0)
        return writeFailed(errno);
    return {};
}

FileCopier::Outcome FileCopier::copyRange(int in, int out, off_t size) {
    off_t copied = 0;
    while (copied < size) {
        if (stopRequested())
            return {Status::Stopped, 0};
        const ssize_t n = ::copy_file_range(
            in, nullptr, out, nullptr, static_cast<std::size_t>(std::min(size - copied, kRangePiece)),
            0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // Not supported between these two files, or some failure: the plain path picks up
            // at the same offsets and tells a read failure from a write failure.
            return copyDataByReading(in, out, size - copied, false);
        }
        if (n == 0)
            break;
        copied += n;
    }
    return {};
}

FileCopier::Outcome FileCopier::copyFile(int sourceDir, const char* sourceName, int targetDir,
                                         const char* targetName, bool keepMode, bool nameFree) {
    // Should the name have become a FIFO since it was listed, opening must not hang.
    const OpenedFile source =
        openRegularFile(sourceDir, sourceName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (!source.ok())
        return source.error == ELOOP || source.error == kNotRegularFile || source.error == EISDIR
                   ? Outcome{Status::NotRegular, 0}
                   : readFailed(source.error);
    const UniqueFd& in = source.fd;
    const struct stat& st = source.st;

    const mode_t mode =
        keepMode ? (st.st_mode & 07777) : ((st.st_mode & 0777) | S_IWUSR) & ~m_creationMask & 0777;
    // The file is made with its final permission bits, so no fchmod is needed unless the umask
    // would take bits away or special bits must be set. Writing through the descriptor works
    // even when the bits say read-only.
    const bool needsChmod = (mode & ~0777) != 0 || (mode & m_creationMask) != 0;
    const mode_t createMode = needsChmod ? 0600 : mode;
    // A copy never carries the unfinished mark by its source's access time.
    const struct timespec times[2] = {
        st.st_atim.tv_sec < kUnfinishedBefore ? timespec{kUnfinishedBefore, 0} : st.st_atim,
        st.st_mtim};
    // Data, mode and times, in that order: the times last, since writing would change them.
    auto fill = [&](int out) -> Outcome {
        Outcome outcome = copyData(in.get(), out, st);
        if (outcome.status != Status::Copied)
            return outcome;
        if ((needsChmod && ::fchmod(out, withoutForeignIds(mode, st, out)) != 0) ||
            ::futimens(out, times) != 0)
            return writeFailed(errno);
        // FAT and exFAT answer every chmod with success and keep nothing of it. The first copy
        // whose bits tell (not 0777, which such a disk shows for every file) decides for the
        // run: through FUSE every look is a round trip to the file system's daemon.
        Outcome done;
        if (keepMode && m_modesKept->load() < 0) {
            struct stat copy;
            if (::fstat(out, &copy) == 0 && (copy.st_mode & 0777) != (mode & 0777))
                m_modesKept->store(0);
            else if ((mode & 0777) != 0777)
                m_modesKept->store(1);
        }
        done.modeNotKept = keepMode && m_modesKept->load() == 0;
        return done;
    };

    {
        // A file without a name until it is complete: a failure leaves nothing to clean up,
        // and a new file costs one directory change instead of a create and a rename.
        const UniqueFd out(m_unnamed.create(targetDir, O_WRONLY | O_CLOEXEC, createMode));
        if (out) {
            const Outcome filled = fill(out.get());
            if (filled.status != Status::Copied)
                return filled;
            const int error = m_unnamed.link(out.get(), targetDir, targetName);
            if (error == 0)
                return filled;
            if (error != ENOTSUP)
                return writeFailed(error);
            if (::lseek(in.get(), 0, SEEK_SET) != 0)
                return readFailed(errno);
        } else if (errno != ENOTSUP) {
            return writeFailed(errno);
        }
    }
    // The file system cannot. Where the name is free, the copy is made under it with the
    // unfinished mark, which its real times replace once it is complete.
    if (nameFree) {
        UniqueFd out(fileSystemCalls().openat(targetDir, targetName,
                                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                              createMode));
        if (!out && errno != EEXIST)
            return writeFailed(errno);
        const struct timespec mark[2] = {{kUnfinishedMark, 0}, {kUnfinishedMark, 0}};
        if (out && ::futimens(out.get(), mark) == 0) {
            Outcome filled = fill(out.get());
            if (const int error = out.close(); error != 0 && filled.status == Status::Copied)
                filled = writeFailed(error);
            if (filled.status != Status::Copied)
                ::unlinkat(targetDir, targetName, 0);
            return filled;
        }
        // Made by someone else meanwhile, or no mark possible: the rule for replacements.
        if (out) {
            out.reset();
            ::unlinkat(targetDir, targetName, 0);
        }
    }
    const std::string temporary = m_unnamed.temporaryName();
    UniqueFd out(fileSystemCalls().openat(targetDir, temporary.c_str(),
                                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                          createMode));
    if (!out)
        return writeFailed(errno);
    auto discard = [&](Outcome outcome) {
        ::unlinkat(targetDir, temporary.c_str(), 0);
        return outcome;
    };
    const Outcome filled = fill(out.get());
    if (filled.status != Status::Copied)
        return discard(filled);
    if (const int error = out.close(); error != 0)
        return discard(writeFailed(error));
    if (fileSystemCalls().renameat(targetDir, temporary.c_str(), targetDir, targetName) != 0)
        return discard(writeFailed(errno));
    return filled;
}

FileCopier::Outcome FileCopier::copySymlink(int sourceDir, const char* sourceName, int targetDir,
                                            const char* targetName) {
    struct stat st;
    if (::fstatat(sourceDir, sourceName, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return readFailed(errno);
    if (!S_ISLNK(st.st_mode))
        return {Status::NotRegular, 0};
    std::string text(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(sourceDir, sourceName, text.data(), text.size());
    if (length < 0)
        return readFailed(errno);
    if (static_cast<std::size_t>(length) >= text.size())
        return readFailed(ENAMETOOLONG);
    text.resize(static_cast<std::size_t>(length));

    const std::string temporary = m_unnamed.temporaryName();
    if (::symlinkat(text.c_str(), targetDir, temporary.c_str()) != 0) {
        // FAT and exFAT have no links (exfat-fuse says ENOSYS, the kernel's drivers EPERM).
        if (errno == EPERM || errno == ENOSYS || errno == EOPNOTSUPP)
            return {Status::LinkNotKept, errno};
        return writeFailed(errno);
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(targetDir, temporary.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::renameat(targetDir, temporary.c_str(), targetDir, targetName) != 0) {
        const int error = errno;
        ::unlinkat(targetDir, temporary.c_str(), 0);
        return writeFailed(error);
    }
    return {};
}

} // namespace trevane
