#pragma once

#include "BeneathFolder.h"
#include "Status.h"
#include "UnnamedFiles.h"

#include <functional>
#include <string>
#include <vector>

namespace unlha {

// The reading commands: x (extract with folders), e (extract without), t (test every
// member's data against its CRC) and l (list). Extraction never writes outside the target
// folder: names are made relative and ".." that would climb out is refused, everything below
// the target is reached from the target's descriptor without following a symbolic link
// (trevane::BeneathFolder), and links are only made when they point inside.
class Extractor {
public:
    struct Options {
        std::string archive;               // the file name exactly
        std::string target;                // folder to extract into; empty for the current one
        std::vector<std::string> patterns; // none selects every member
        bool keepFolders = true;           // false for e
        // A file in the target that is newer than its member, or read-only, is kept (Kept)
        // unless this is set.
        bool overwrite = false;
        // Tests: called with a member's path once its folder is open and before anything is
        // made there, and with "" before the folders' modes and times are set.
        std::function<void(const std::string&)> beforeWrite = {};
    };

    // report receives a line per member written or failed, and a summary.
    Extractor(Options options, std::string& report);

    // Every selected member is tried; the first failure's code is returned at the end.
    Status extract();
    Status test();
    Status list();

    // Decodes the member the reader stands at (right after its next()) into the file `name` of
    // the open folder `folderFd`, with the mode and time the header gives: written as a file
    // without a name that takes `name` only once the member decoded whole, so a damaged member
    // or a full disk leaves what had the name as it was, and a link there is replaced, never
    // written through. `path` names the member in messages.
    static Status writeMember(class ArchiveReader& reader, const struct MemberHeader& h,
                              int folderFd, const std::string& name, const std::string& path,
                              trevane::UnnamedFiles& unnamed);

private:
    // Calls visit for every member the patterns select, in archive order, with the reader at
    // the member's data. A failure of visit is reported and the walk goes on; a damaged header
    // is reported and ends it. Returns the first failure, or NothingToDo when names were given
    // and select no member.
    Status walk(class ArchiveReader& reader,
                const std::function<Status(const struct MemberHeader&)>& visit);
    Status extractFile(class ArchiveReader& reader, const struct MemberHeader& h,
                       const std::string& path);
    // Opens the folder of path below the target, making the missing ones.
    Status placeFor(const std::string& path, trevane::BeneathFolder::Place& place);
    Status makeLink(const struct MemberHeader& h, const std::string& path);

    Options m_options;
    std::string& m_report;
    std::string m_root; // target with a trailing "/", or empty
    trevane::BeneathFolder m_target;
    mode_t m_umask = 022;
    trevane::UnnamedFiles m_unnamed{"unlha"};
};

} // namespace unlha
