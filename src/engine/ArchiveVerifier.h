#pragma once

#include "engine/VerifyReport.h"

#include <optional>
#include <string>

namespace trevane {

// Verifies an archive row: every member of the archive whose file the row's u command covers
// (the base folder's files that the files cell names, subfolders with -d1) is decoded by the
// archiver's own reader, its size and CRC checked, and its bytes compared with that file as
// they come, without writing anything; a link member is compared by its text. A covered file
// that the archive lacks is a difference, and so is an archive that cannot be read (reported by
// its path). A file changed later than its member (in whole seconds, or the even seconds of an
// MS-DOS time stamp) is left to the next run, and members of files the row no longer covers
// (deleted, or left out since) are not looked at. Paths in the report are source paths.
class ArchiveVerifier {
public:
    // commandLine: the u command the archive row handed to the archiver. Nothing when it is no
    // command the archiver takes (its step has failed already).
    static std::optional<VerifyReport> verify(const std::string& commandLine,
                                              const VerifyStop& stop = {});
};

} // namespace trevane
