#pragma once

#include "engine/BackupMembers.h"

#include <cstddef>
#include <string>
#include <vector>

namespace trevane {

class RestoreTarget;

// What a restore does with one member of the backup, decided once, before anything is
// written, from the member and what the target holds at its name. Restore, its summary and
// the restore window all read these; nothing is counted from a tool's printed words.
struct RestoreDecision {
    enum class Kind {
        Restore,      // written (a file or link), or made (a folder)
        KeepNewer,    // the target's entry is newer than the member: left as it is
        KeepReadOnly, // the target's file is read-only: left as it is
        Refused,      // never written, whatever the target holds (see BackupMember::refusal)
        Failed,       // the target holds something in the way (reason), or the write failed
    };
    std::size_t member = 0; // index into the listing's members
    Kind kind = Kind::Restore;
    std::string reason = {}; // why it is kept, refused or failed, for the user
    // Restore over an entry of the target that differs from the member (in kind, size or
    // time): that entry is moved aside first. An entry as the member is is just replaced.
    bool setsAside = false;
    // False for a member below a folder that failed for the same reason: told once.
    bool counted = true;
    bool folder = false; // the member is a folder: not counted among the files
};

// The decisions for the members a restore selects, in the listing's order.
class RestorePlan {
public:
    // names: what to restore, none for everything. Each is a member's path (a leading "./" and
    // a trailing "/" do not count), selecting that member and, for a folder, everything in it,
    // whatever characters it holds. With exactPaths unset (a command line), a name that is no
    // member's path and holds a wildcard selects what it matches: a name without a folder the
    // members of that name in every folder, as the archiver reads it. A name with a ".." part
    // is refused. overwrite: replace newer and read-only files too.
    static RestorePlan make(const BackupListing& listing, const std::vector<std::string>& names,
                            bool exactPaths, bool overwrite, const RestoreTarget& target);

    std::vector<RestoreDecision> decisions;
    std::vector<std::string> badNames; // a line per name that matched nothing or was refused

    // Files and links (not folders) of the kind, counted as told.
    std::size_t files(RestoreDecision::Kind kind) const;
    // Restore decisions that move an entry of the target aside.
    std::size_t settingAside() const;
};

} // namespace trevane
