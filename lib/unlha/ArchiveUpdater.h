#pragma once

#include "CommandLine.h"
#include "FileSelector.h"
#include "MemberHeader.h"
#include "Status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace unlha {

// The commands that write an archive: u and a (add files) and d (delete members). The new
// archive is written beside the old one and renamed over it only when complete, so any
// failure leaves the old archive as it was. Members that stay are copied byte for byte.
class ArchiveUpdater {
public:
    // report receives one line per member added, replaced or deleted, and a summary.
    ArchiveUpdater(const CommandLine& command, std::string& report, unsigned threads);

    // u: adds files missing from the archive or newer than their archived copy (every
    // named file with -c); a: adds or replaces every named file. The archive is created
    // when missing and left untouched when nothing changes.
    Status add();
    // d: removes the members the patterns match; patterns are required.
    Status remove();

private:
    struct OldMember {
        MemberHeader header;
        std::vector<uint8_t> raw;
        uint64_t dataOffset = 0;
    };

    Status readOld(std::vector<OldMember>& members, bool& exists);

    const CommandLine& m_cmd;
    std::string& m_report;
    unsigned m_threads;
};

// The files, folders and links that u and a take from the command's base folder (the archive
// itself left out), with the member paths they are stored under.
Status selectSources(const CommandLine& command, std::vector<SourceEntry>& sources);

// Selection of members by the patterns of x, e, d and l: a pattern matches a member's whole
// path or its last part; no pattern selects all.
bool memberSelected(const std::vector<std::string>& patterns, const std::string& path);

// The archive name as given, with ".lzh" added when it has no extension.
std::string archiveFileName(const std::string& given);

} // namespace unlha
