#pragma once

#include "jobs/JobRow.h"

#include <string>
#include <vector>

namespace trevane {

// Where a job row's backup lies and where it came from.
struct BackupLocation {
    // For an archive row the archive in the destination folder (with a date-time stamp "%t" in
    // its name, the newest of the archives this row made); for a copy row the destination
    // folder. Empty when there is nothing to name (no destination, no archive made yet).
    std::string from;
    std::string to; // the row's source folder
    // The line a run logs for each folder cell it refuses as not absolute (whose field above
    // then stays empty), for row rowNumber.
    std::vector<std::string> refused;

    // The folder cells read as a run reads them (FolderCell: blanks around them dropped, "~"
    // the home folder, a folder that is not absolute refused).
    static BackupLocation ofRow(const JobRow& row, int rowNumber = 0);

    // The newest regular file in folder whose name is prefix, any text, suffix, byte for byte
    // (the name an archive row's "%t" gives its archives); empty when there is none.
    static std::string newestStamped(const std::string& folder, const std::string& prefix,
                                     const std::string& suffix);
};

} // namespace trevane
