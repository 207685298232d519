#include "engine/ArchiveVerifier.h"

#include "ArchiveReader.h"
#include "ArchiveUpdater.h"
#include "CommandLine.h"
#include "FileSelector.h"
#include "FileSystemFacts.h"
#include "PathRules.h"
#include "UniqueFd.h"

#include "engine/FileComparer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_map>

namespace trevane {

namespace {

// Decoded bytes between two looks at the stop request inside one member.
constexpr std::uint64_t kStopLookEvery = 16u << 20;

class ArchiveCheck {
public:
    ArchiveCheck(const unlha::CommandLine& command, const VerifyStop& stop)
        : m_command(command), m_stop(stop) {}

    VerifyReport run();

private:
    // Compares the member the reader stands at with the covered entry `source`; false when
    // the verification was stopped inside it.
    bool compare(unlha::ArchiveReader& reader, const unlha::MemberHeader& member,
                 const unlha::SourceEntry& source);
    bool stopped() {
        if (!m_report.stopped && m_stop && m_stop())
            m_report.stopped = true;
        return m_report.stopped;
    }

    const unlha::CommandLine& m_command;
    const VerifyStop& m_stop;
    VerifyReport m_report;
    FileComparer m_comparer;
    long long m_sourceResolution = 1;
};

VerifyReport ArchiveCheck::run() {
    std::vector<unlha::SourceEntry> sources;
    if (!unlha::selectSources(m_command, sources).ok()) {
        // The archiver could not read the folder either (its step failed): nothing is proven.
        m_report.differences.push_back(m_command.baseFolder);
        return m_report;
    }
    std::unordered_map<std::string, std::size_t> covered; // member path -> source entry
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (S_ISREG(sources[i].info.st_mode) || S_ISLNK(sources[i].info.st_mode))
            covered.emplace(sources[i].archivePath, i);
    std::vector<bool> found(sources.size(), false);
    m_sourceResolution = fileSystemOfPath(m_command.baseFolder.empty() ? "." : m_command.baseFolder)
                             .timeResolutionNs;

    const std::string archive = unlha::archiveFileName(m_command.archive);
    unlha::ArchiveReader reader;
    const unlha::Status opened = reader.open(archive);
    if (!opened.ok() && opened.code() != unlha::Code::NotFound) {
        m_report.differences.push_back(archive);
        return m_report;
    }
    while (opened.ok()) {
        if (stopped())
            return m_report;
        unlha::MemberHeader member;
        unlha::Status status;
        const auto next = reader.next(member, status);
        if (next == unlha::HeaderReader::Result::End)
            break;
        if (next == unlha::HeaderReader::Result::Error) {
            // The members after a damaged header cannot be reached: the archive is at fault.
            m_report.differences.push_back(archive);
            return m_report;
        }
        std::string path;
        if (member.isDirectory() || !unlha::PathRules::safeRelative(member.path, path))
            continue;
        const auto it = covered.find(path);
        if (it == covered.end())
            continue;
        found[it->second] = true;
        if (!compare(reader, member, sources[it->second]))
            return m_report;
    }
    // A covered file the archive lacks is not backed up.
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (const auto it = covered.find(sources[i].archivePath);
            !found[i] && it != covered.end() && it->second == i) {
            ++m_report.files;
            m_report.differences.push_back(sources[i].diskPath);
        }
    return m_report;
}

bool ArchiveCheck::compare(unlha::ArchiveReader& reader, const unlha::MemberHeader& member,
                           const unlha::SourceEntry& source) {
    const struct stat& info = source.info;
    // The time the member would get from this file, against the member's, in the steps both
    // keep: a file changed since it was archived goes in with the next run.
    const struct timespec sourceTime = {static_cast<time_t>(unlha::storableTime(info.st_mtime)),
                                        info.st_mtim.tv_nsec};
    const struct timespec memberTime = {static_cast<time_t>(member.mtime), 0};
    const long long resolution =
        coarserResolution(m_sourceResolution, (member.dosTime ? 2 : 1) * 1000000000LL);
    if (isNewerAt(sourceTime, memberTime, resolution))
        return true;
    ++m_report.files;
    bool same = false;
    if (S_ISLNK(info.st_mode)) {
        same = member.isSymlink && member.linkTarget == source.linkTarget;
    } else if (!member.isSymlink && member.originalSize == static_cast<uint64_t>(info.st_size)) {
        const UniqueFd file(
            ::open(source.diskPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (file) {
            m_comparer.begin(file.get(), info.st_size);
            bool equal = true;
            std::uint64_t sinceLook = 0;
            const unlha::Status decoded = reader.extract([&](const uint8_t* data, size_t size) {
                if ((sinceLook += size) >= kStopLookEvery) {
                    sinceLook = 0;
                    if (stopped())
                        return false;
                }
                equal = m_comparer.next(data, size);
                return equal;
            });
            if (m_report.stopped)
                return false;
            // The decoder checked the member's size and CRC: a member that decodes to the
            // file's bytes but fails its own check would fail every other reader.
            same = equal && decoded.ok();
        }
    }
    if (!same)
        m_report.differences.push_back(source.diskPath);
    return true;
}

} // namespace

std::optional<VerifyReport> ArchiveVerifier::verify(const std::string& commandLine,
                                                    const VerifyStop& stop) {
    unlha::CommandLine command;
    if (!unlha::CommandLine::parse(commandLine, command).ok() ||
        (command.command != 'u' && command.command != 'a'))
        return std::nullopt;
    return ArchiveCheck(command, stop).run();
}

} // namespace trevane
