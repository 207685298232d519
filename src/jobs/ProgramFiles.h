#pragma once

#include "jobs/DirBookmarks.h"

#include <string>

namespace trevane {

// The program's own files in its data folder: the settings, the log, the shortcut keys, the
// folder bookmarks, the registered job list and the folder the job files live in. The names
// are fixed; the folder is where the program found (or made) its data folder.
struct ProgramFiles {
    std::string folder; // without trailing separator
    std::string settingsName = "Trevane.ini";
    std::string logName = "Trevane.log";
    std::string keyListName = "KeyList.ini";
    std::string dirListName = DirBookmarks::FileName;
    std::string registeredListName = "BGCopyList.txt";
    std::string jobFileFolderName = "CPL";

    std::string settingsPath() const;
    std::string logPath() const;
    std::string keyListPath() const;
    std::string dirListPath() const;
    std::string registeredListPath() const;
    std::string jobFileFolder() const;
    // A job file by its bare name, in the job-file folder.
    std::string jobFilePath(const std::string& name) const;
};

// True when path names a file right inside folder (compared as spelled, "." and doubled
// separators aside): the runner finds a job file there by its bare name, and its options under
// that path.
bool isJobFileIn(const std::string& folder, const std::string& path);

} // namespace trevane
