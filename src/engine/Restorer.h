#pragma once

#include "engine/ArchiverLibrary.h"
#include "engine/BackupMembers.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace trevane {

class ProcessSpawner;

struct RestoreRequest {
    std::string from; // an archive file, or the folder a copy row copied into
    std::string to;   // the folder to restore into; made when missing
    // What to restore, read as the archiver and xcopy read names: a member or file path, a
    // folder (everything in it) or a wildcard pattern; none means everything. The archiver
    // matches a name without a folder in every folder of the archive.
    std::vector<std::string> names = {};
    // Replace files of the target that are newer than their backup, or read-only.
    bool overwrite = false;
    // The names are members' paths as listed (the window's choice), not patterns: a name
    // without a folder is the member at the archive's top only.
    bool listedPaths = false;
};

struct RestoreResult {
    enum class Status {
        Ran,     // the counts say what happened
        Missing, // the archive or folder to restore from is not there
        Failed,  // nothing could be restored (damaged archive, no archiver library, no xcopy)
    };
    Status status = Status::Failed;
    std::size_t restored = 0;               // files written
    std::size_t keptNewer = 0;              // files of the target kept because they are newer
    std::size_t keptReadOnly = 0;           // files of the target kept because they are read-only
    std::vector<std::string> problems = {}; // a line per member or name that failed

    // "N 個のファイルを復元しました", then what was kept and what failed.
    std::string summary() const;
    // 0 everything restored, 1 something kept or failed, 2 nothing to restore from.
    int exitCode() const;
};

// Restores a backup into a folder through the same tools that made it: an archive with the
// archiver library's extraction ("x", "-c" to overwrite), a copy's folder with xcopy ("/D"
// unless overwriting). Either way a file of the target that is newer than its backup is kept
// unless overwrite is asked, and nothing is written outside the target. Blocks until done; may
// run on any thread (the window runs it on a worker).
class Restorer {
public:
    // done of total steps (library calls or xcopy runs); called after each step on the
    // restoring thread. With it, a whole archive is restored in steps of about equal bytes
    // (see steps()); without it, in one call.
    using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;

    // Both must outlive the restorer.
    Restorer(ArchiverLibrary& archiver, ProcessSpawner& spawner);

    RestoreResult restore(const RestoreRequest& request, const Progress& progress = {});

    // How an archive restore of everything is cut into library calls, so that a large one can
    // show progress: the archive's top-level names in groups of about equal bytes, at most
    // maxSteps groups. One group (no names) when the archive has few or very many top-level
    // names, since each call matches every member against its names.
    static std::vector<std::vector<std::string>> steps(const std::vector<BackupMember>& members,
                                                       std::size_t maxSteps);

private:
    RestoreResult fromArchive(const RestoreRequest& request, const Progress& progress);
    RestoreResult fromFolder(const RestoreRequest& request, const Progress& progress);

    ArchiverLibrary& m_archiver;
    ProcessSpawner& m_spawner;
};

} // namespace trevane
