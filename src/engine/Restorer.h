#pragma once

#include "engine/BackupMembers.h"
#include "engine/RestorePlan.h"
#include "engine/RestoreTarget.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace trevane {

struct RestoreRequest {
    std::string from; // an archive file, or the folder a copy row copied into
    std::string to;   // the folder to restore into; made when missing
    // What to restore: members' paths (see RestorePlan::make); none means everything.
    std::vector<std::string> names = {};
    // Replace files of the target that are newer than their backup, or read-only.
    bool overwrite = false;
    // The names are members' paths as listed (the window's choice), never patterns.
    bool listedPaths = false;
    // Tests: called with a member's path right before it is written, to change the target then.
    std::function<void(const std::string& path)> beforeWrite = {};
};

struct RestoreResult {
    enum class Status {
        Ran,     // the counts say what happened
        Missing, // the archive or folder to restore from is not there
        Failed,  // nothing could be restored (an unreadable archive, a target that cannot be made)
    };
    Status status = Status::Failed;
    std::size_t restored = 0;               // files and links written
    std::size_t keptNewer = 0;              // files of the target kept because they are newer
    std::size_t keptReadOnly = 0;           // files of the target kept because they are read-only
    std::size_t setAside = 0;               // entries of the target replaced and moved aside
    std::string asideFolder = {};           // where, relative to the target
    std::vector<std::string> problems = {}; // a line per name or member not restored

    // "N 個のファイルを復元しました", then what was kept, moved aside and not restored.
    std::string summary() const;
    // 0 everything restored, 1 something kept or failed, 2 nothing to restore from.
    int exitCode() const;
};

// Restores a backup into a folder: an archive's members decoded by the archiver's own reader, a
// copy's files copied by the copier, one by one as the plan decided (RestorePlan). A file of
// the target that is newer than its backup, or read-only, is kept unless overwrite is asked;
// what is replaced is moved aside (RestoreTarget); nothing is written outside the target.
// Blocks until done; may run on any thread (the window runs it on a worker).
class Restorer {
public:
    // done of total (at most 1000 steps, by bytes); called on the restoring thread.
    using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;

    explicit Restorer(RestoreRequest request);

    // Lists the backup and decides for every member selected, looking at the target without
    // writing (nor making) it. False when there is nothing to restore from; result() says why.
    bool prepare();
    const RestoreRequest& request() const { return m_request; }
    const BackupListing& listing() const { return m_listing; }
    const RestorePlan& plan() const { return m_plan; }

    // Carries out the decisions prepare() made (calling it first if it was not).
    RestoreResult run(const Progress& progress = {});

    static RestoreResult restore(const RestoreRequest& request, const Progress& progress = {}) {
        return Restorer(request).run(progress);
    }

private:
    RestoreResult failure(RestoreResult::Status status, std::string problem) const;
    // advance(bytes) after each member written.
    using Advance = std::function<void(std::uint64_t bytes)>;
    void fromArchive(RestoreTarget& target, const Advance& advance);
    void fromFolder(RestoreTarget& target, const Advance& advance);
    // Writes the file or link of decision d through write(folderFd, name), which returns an
    // error text or nothing; what d replaces is moved aside first.
    void put(RestoreTarget& target, RestoreDecision& d,
             const std::function<std::string(int folderFd, const std::string& name)>& write);
    void fail(RestoreDecision& d, std::string reason);
    // Makes the folder of decision d and remembers its mode and time for the end.
    void makeFolder(RestoreTarget& target, RestoreDecision& d);

    RestoreRequest m_request;
    bool m_prepared = false;
    RestoreResult m_failure;
    BackupListing m_listing;
    RestorePlan m_plan;
    FolderStamps m_folders;
    mode_t m_umask = 022;
};

} // namespace trevane
