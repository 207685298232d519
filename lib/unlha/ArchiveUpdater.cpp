#include "ArchiveUpdater.h"

#include "NamePattern.h"

#include "ArchiveReader.h"
#include "FileSelector.h"
#include "FileSystemFacts.h"
#include "HeaderWriter.h"
#include "OutputFile.h"
#include "ParallelCompressor.h"
#include "PathRules.h"

#include "FileSystem.h"
#include "PathConventions.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace unlha {

namespace {

// Copies count bytes at offset of fd into out.
bool copyRange(int fd, uint64_t offset, uint64_t count, OutputFile& out) {
    std::vector<uint8_t> buf(static_cast<size_t>(std::min<uint64_t>(count, 1 << 18)));
    while (count) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), count));
        ssize_t n = ::pread(fd, buf.data(), want, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !out.write(buf.data(), static_cast<size_t>(n)))
            return false;
        offset += static_cast<uint64_t>(n);
        count -= static_cast<uint64_t>(n);
    }
    return true;
}

} // namespace

Status selectSources(const CommandLine& command, std::vector<SourceEntry>& sources) {
    FileSelector selector(command.baseFolder, command.keepFolders,
                          archiveFileName(command.archive));
    Status s = selector.select(command.files, sources);
    for (SourceEntry& e : sources) {
        std::string safe;
        e.archivePath = PathRules::safeRelative(e.archivePath, safe)
                            ? safe
                            : PathRules::baseName(e.archivePath);
    }
    return s;
}

bool memberSelected(const std::vector<std::string>& patterns, const std::string& path) {
    if (patterns.empty())
        return true;
    std::string base = PathRules::baseName(path);
    for (const std::string& p : patterns) {
        std::string q = trevane::PathConventions::withoutTrailingSeparators(p);
        // "./name" names the member at the archive's top only; a bare name, the name in
        // every folder.
        const bool atTop = q.size() > 2 && q.compare(0, 2, "./") == 0;
        if (atTop)
            q.erase(0, 2);
        const trevane::NamePattern pattern(q);
        if (pattern.matches(path) || (!atTop && pattern.matches(base)))
            return true;
        // A folder name selects what is inside it.
        if (path.size() > q.size() && path.compare(0, q.size(), q) == 0 && path[q.size()] == '/')
            return true;
    }
    return false;
}

std::string archiveFileName(const std::string& given) {
    std::string base = PathRules::baseName(given);
    if (!base.empty() && base.find('.') == std::string::npos)
        return given + ".lzh";
    return given;
}

ArchiveUpdater::ArchiveUpdater(const CommandLine& command, std::string& report, unsigned threads)
    : m_cmd(command), m_report(report), m_threads(threads) {}

Status ArchiveUpdater::readOld(std::vector<OldMember>& members, bool& exists) {
    ArchiveReader reader;
    Status s = reader.open(archiveFileName(m_cmd.archive));
    exists = s.code() != Code::NotFound;
    if (!exists)
        return {};
    if (!s.ok())
        return s;
    for (;;) {
        OldMember m;
        auto r = reader.next(m.header, s, &m.raw);
        if (r == HeaderReader::Result::End && !reader.heldWhole(!members.empty()))
            return Status(Code::Damaged, "not an LHA archive from its first byte to its end: " +
                                             PathRules::printable(archiveFileName(m_cmd.archive)));
        if (r == HeaderReader::Result::End)
            return {};
        if (r == HeaderReader::Result::Error)
            return s;
        m.dataOffset = reader.dataOffset();
        members.push_back(std::move(m));
    }
}

Status ArchiveUpdater::add() {
    const std::string archive = archiveFileName(m_cmd.archive);
    const std::string folder = trevane::PathConventions::parentOf(archive);
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Status(Code::NotFound, "folder not found: " + folder);

    std::vector<SourceEntry> sources;
    Status s = selectSources(m_cmd, sources);
    if (!s.ok())
        return s;
    if (sources.empty())
        return Status(Code::NothingToDo, "no files to add");

    std::vector<OldMember> old;
    bool exists = false;
    s = readOld(old, exists);
    if (!s.ok())
        return s;
    std::unordered_map<std::string, size_t> byPath;
    for (size_t i = 0; i < old.size(); ++i)
        byPath.emplace(old[i].header.path, i);

    // Output order: the old members where they were (some replaced), then the new ones.
    std::vector<long> replacement(old.size(), -1);
    std::vector<SourceEntry> work;
    std::vector<size_t> appended;
    const bool timeCheck = m_cmd.command == 'u' && !m_cmd.replaceAll;
    // A member's time is compared in the steps that both it and the source's file system keep:
    // whole seconds in a header written here, even seconds in an MS-DOS time stamp.
    const long long sourceResolution =
        timeCheck ? trevane::fileSystemOfPath(m_cmd.baseFolder.empty() ? "." : m_cmd.baseFolder)
                        .timeResolutionNs
                  : 1;
    for (SourceEntry& e : sources) {
        auto it = byPath.find(e.archivePath);
        if (it == byPath.end()) {
            appended.push_back(work.size());
            work.push_back(std::move(e));
            continue;
        }
        const MemberHeader& h = old[it->second].header;
        bool folder = S_ISDIR(e.info.st_mode) && h.isDirectory();
        const struct timespec source = {static_cast<time_t>(storableTime(e.info.st_mtime)),
                                        e.info.st_mtim.tv_nsec};
        const struct timespec member = {static_cast<time_t>(h.mtime), 0};
        const long long resolution =
            trevane::coarserResolution(sourceResolution, (h.dosTime ? 2 : 1) * 1000000000LL);
        if (folder || (timeCheck && !trevane::isNewerAt(source, member, resolution)))
            continue;
        if (replacement[it->second] < 0) {
            replacement[it->second] = static_cast<long>(work.size());
            work.push_back(std::move(e));
        }
    }
    if (work.empty()) {
        m_report += "archive is up to date\n";
        return {};
    }
    // The compressor hands members over in work order, which must be output order.
    std::vector<size_t> order; // work index per compressed slot
    std::vector<long> slotOfOld(old.size(), -1);
    for (size_t i = 0; i < old.size(); ++i)
        if (replacement[i] >= 0) {
            slotOfOld[i] = static_cast<long>(order.size());
            order.push_back(static_cast<size_t>(replacement[i]));
        }
    for (size_t w : appended)
        order.push_back(w);
    std::vector<SourceEntry> jobs;
    jobs.reserve(order.size());
    for (size_t w : order)
        jobs.push_back(work[w]);

    OutputFile out;
    s = out.create(archive, 0666);
    if (!s.ok())
        return s;
    trevane::OpenedFile oldFile;
    if (exists) {
        oldFile = trevane::openRegularFile(archive, O_RDONLY);
        if (!oldFile.ok())
            return Status(Code::Io,
                          "cannot read " + archive + ": " + trevane::fileErrorText(oldFile.error));
    }
    const int oldFd = oldFile.fd.get();

    size_t nextOld = 0;
    size_t added = 0, replaced = 0;
    // Copies old members up to the next one that is replaced (or all of them).
    auto copyOldUntilSlot = [&](long slot) -> Status {
        while (nextOld < old.size() && slotOfOld[nextOld] != slot) {
            const OldMember& m = old[nextOld];
            if (slotOfOld[nextOld] >= 0)
                break;
            if (!out.write(m.raw.data(), m.raw.size()) ||
                !copyRange(oldFd, m.dataOffset, m.header.compressedSize, out))
                return Status(Code::Io, "cannot write " + archive);
            ++nextOld;
        }
        return {};
    };
    ParallelCompressor compressor(m_cmd.method, m_threads, folder);
    std::vector<uint8_t> header;
    std::vector<std::string> leftOut;
    s = compressor.run(jobs, [&](size_t slot, CompressedMember& member,
                                 const Status& compressed) -> Status {
        Status c = copyOldUntilSlot(static_cast<long>(slot));
        if (!c.ok())
            return c;
        bool isReplacement = nextOld < old.size() && slotOfOld[nextOld] == static_cast<long>(slot);
        if (member.leftOut) {
            // A backup of everything else beats none: the file is named, and the copy the
            // archive already holds of it stays.
            const std::string& path = jobs[slot].archivePath;
            leftOut.push_back(
                (member.changed                       ? "読み込み中に変わったので書庫に入れませんでした: "
                 : compressed.code() == Code::TooLarge ? "4 GiB 以上なので書庫に入れませんでした: "
                                                       : "読み込めないので書庫に入れませんでした: ") +
                PathRules::printable(path) + " (" + compressed.message() + ")");
            if (isReplacement) {
                const OldMember& m = old[nextOld++];
                if (!out.write(m.raw.data(), m.raw.size()) ||
                    !copyRange(oldFd, m.dataOffset, m.header.compressedSize, out))
                    return Status(Code::Io, "cannot write " + archive);
            }
            return {};
        }
        c = HeaderWriter::build(member.header, header);
        if (!c.ok())
            return c;
        int fd = -1;
        if (!out.write(header.data(), header.size()) || (fd = out.flushedFd()) < 0 ||
            !member.data->writeTo(fd))
            return Status(Code::Io, "cannot write " + archive);
        m_report += (isReplacement ? "replaced " : "added ") +
                    PathRules::printable(member.header.path) + "\n";
        if (isReplacement) {
            ++replaced;
            ++nextOld;
        } else {
            ++added;
        }
        return {};
    });
    if (!s.ok())
        return s;
    s = copyOldUntilSlot(-2);
    if (!s.ok())
        return s;
    uint8_t endMark = 0;
    if (!out.write(&endMark, 1))
        return Status(Code::Io, "cannot write " + archive);
    s = out.commit();
    if (!s.ok())
        return s;
    m_report += std::to_string(added) + " added, " + std::to_string(replaced) + " replaced\n";
    if (leftOut.empty())
        return {};
    for (const std::string& line : leftOut)
        m_report += line + "\n";
    return Status(Code::LeftOut, std::to_string(leftOut.size()) + " 個のファイルを書庫に入れませんでした");
}

Status ArchiveUpdater::remove() {
    if (m_cmd.files.empty())
        return Status(Code::BadCommand, "no member named to delete");
    const std::string archive = archiveFileName(m_cmd.archive);
    std::vector<OldMember> old;
    bool exists = false;
    Status s = readOld(old, exists);
    if (!s.ok())
        return s;
    if (!exists)
        return Status(Code::NotFound, "archive not found: " + archive);
    std::vector<bool> drop(old.size());
    size_t dropped = 0;
    for (size_t i = 0; i < old.size(); ++i)
        if (memberSelected(m_cmd.files, old[i].header.path)) {
            drop[i] = true;
            ++dropped;
        }
    if (!dropped)
        return Status(Code::NothingToDo, "no member matched");
    OutputFile out;
    s = out.create(archive, 0666);
    if (!s.ok())
        return s;
    const trevane::OpenedFile oldFile = trevane::openRegularFile(archive, O_RDONLY);
    if (!oldFile.ok())
        return Status(Code::Io,
                      "cannot read " + archive + ": " + trevane::fileErrorText(oldFile.error));
    const int fd = oldFile.fd.get();
    bool ok = true;
    for (size_t i = 0; i < old.size() && ok; ++i) {
        if (drop[i]) {
            m_report += "deleted " + PathRules::printable(old[i].header.path) + "\n";
            continue;
        }
        ok = out.write(old[i].raw.data(), old[i].raw.size()) &&
             copyRange(fd, old[i].dataOffset, old[i].header.compressedSize, out);
    }
    uint8_t endMark = 0;
    if (!ok || !out.write(&endMark, 1))
        return Status(Code::Io, "cannot write " + archive);
    s = out.commit();
    if (s.ok())
        m_report += std::to_string(dropped) + " deleted\n";
    return s;
}

} // namespace unlha
