#include "engine/DestinationDisks.h"

#include "FileSystemFacts.h"
#include "PathConventions.h"
#include "jobs/AtomicFile.h"
#include "platform/AppPaths.h"

#include <sstream>

namespace trevane {

namespace {

// The folder itself or the nearest of its parents that is there; "" when none is.
std::string nearestExisting(std::string path) {
    while (!path.empty() && !directoryExists(path)) {
        std::string parent = PathConventions::parentOf(path);
        path = parent == path ? std::string() : std::move(parent);
    }
    return path;
}

// Where removable disks are mounted by convention: a destination there is on a disk only when
// some folder below the anchor is a mount point.
const char* const kMountAnchors[] = {"/media/", "/run/media/", "/mnt/"};

// A UUID is read only with the right to read the device (root's run from cron, not the user's
// window): two records of one disk may hold one and not the other, and then the device and
// mount point decide.
bool sameDisk(const DestinationDisks::Disk& a, const DestinationDisks::Disk& b) {
    if (!a.uuid.empty() && !b.uuid.empty())
        return a.uuid == b.uuid;
    return a.place == b.place;
}

DestinationDisks::Disk diskOf(const std::string& folder) {
    const FileSystemFacts facts = fileSystemOfPath(folder);
    if (!facts.known)
        return {};
    return {facts.uuid, facts.source + " on " + facts.mountPoint};
}

} // namespace

DestinationDisks::DestinationDisks(std::string listFile) : m_file(std::move(listFile)) {
    const ReadResult read = readWholeFile(m_file);
    std::istringstream lines(read.bytes);
    std::string line;
    while (std::getline(lines, line)) {
        const auto tab = line.find('\t');
        const auto second = line.find('\t', tab + 1);
        if (second != std::string::npos)
            m_disks[line.substr(0, tab)] = {line.substr(tab + 1, second - tab - 1),
                                            line.substr(second + 1)};
    }
}

std::string DestinationDisks::check(const std::string& folder) const {
    const std::string destination = PathConventions::withoutTrailingSeparators(folder);
    const std::string existing = nearestExisting(destination);
    if (existing.empty())
        return {};
    const std::string refused = destination + "のディスクが接続されていません";
    if (const auto it = m_disks.find(destination); it != m_disks.end())
        return sameDisk(diskOf(existing), it->second) ? std::string() : refused;
    for (const char* anchor : kMountAnchors) {
        const std::string root(anchor);
        if (destination.compare(0, root.size(), root) != 0 || destination.size() == root.size())
            continue;
        for (std::string folder = existing; folder.size() > root.size();
             folder = PathConventions::parentOf(folder))
            if (isMountPoint(folder))
                return {};
        return refused;
    }
    return {};
}

void DestinationDisks::remember(const std::string& folder) {
    const std::string destination = PathConventions::withoutTrailingSeparators(folder);
    if (!directoryExists(destination) || destination.find_first_of("\t\n") != std::string::npos)
        return;
    const Disk disk = diskOf(destination);
    const auto known = m_disks.find(destination);
    if (disk.place.empty() || (disk.uuid + disk.place).find_first_of("\t\n") != std::string::npos ||
        (known != m_disks.end() && known->second.uuid == disk.uuid &&
         known->second.place == disk.place))
        return;
    m_disks[destination] = disk;
    std::string text;
    for (const auto& [path, d] : m_disks)
        text += path + "\t" + d.uuid + "\t" + d.place + "\n";
    // A list that cannot be written leaves the row unguarded, which is how it ran before.
    (void)writeFileAtomically(m_file, text);
}

} // namespace trevane
