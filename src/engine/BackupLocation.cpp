#include "engine/BackupLocation.h"

#include "PathConventions.h"
#include "engine/JobCommands.h"
#include "jobs/FolderCell.h"

#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <utility>

namespace trevane {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Stands for the stamp while the name is built; no name of a cell holds it.
constexpr char kStamp[] = "\x01";

} // namespace

BackupLocation BackupLocation::ofRow(const JobRow& row, int rowNumber) {
    const PathConventions conv = PathConventions::native();
    const FolderCell source = FolderCell::read(row.source);
    const FolderCell destination = FolderCell::read(row.destination);
    const std::string dst = destination.isFolder() ? destination.text : std::string();
    BackupLocation location{{}, source.isFolder() ? source.text : std::string(), {}};
    for (const auto& [cell, side] : {std::pair{&source, FolderCell::Side::Source},
                                     std::pair{&destination, FolderCell::Side::Destination}})
        if (cell->status == FolderCell::Status::NotAbsolute)
            location.refused.push_back(cell->skipLine(rowNumber, side));
    if (dst.empty() || row.archive.empty()) {
        location.from = dst;
        return location;
    }
    const std::string file = JobCommands::archiveFile(
        conv, conv.withTrailingSeparator(dst) + JobCommands::stampArchiveName(row.archive, kStamp));
    const std::size_t stamp = file.find(kStamp);
    const std::size_t slash = file.rfind('/', stamp);
    if (stamp == std::string::npos) {
        location.from = file;
    } else if (slash != std::string::npos && file.find('/', stamp) == std::string::npos) {
        // Names differ from the runner's only in the stamp: another case or a bracket is
        // another row's archive.
        location.from =
            newestStamped(file.substr(0, slash), file.substr(slash + 1, stamp - slash - 1),
                          file.substr(stamp + 1));
    }
    return location;
}

std::string BackupLocation::newestStamped(const std::string& folder, const std::string& prefix,
                                          const std::string& suffix) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "/" : folder.c_str()));
    if (!dir)
        return {};
    std::string newest;
    struct timespec newestTime {};
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.size() < prefix.size() + suffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(suffix))
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode))
            continue;
        const auto time = std::make_pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        if (newest.empty() || time > std::make_pair(newestTime.tv_sec, newestTime.tv_nsec)) {
            newest = name;
            newestTime = st.st_mtim;
        }
    }
    return newest.empty() ? std::string() : folder + "/" + newest;
}

} // namespace trevane
