#pragma once

#include "XcopyCommandLine.h"

#include <string>

namespace trevane {

// Where an xcopy call reads from and writes to, worked out from its arguments and the file
// system before anything is copied.
struct CopyPlan {
    // The folder whose files are copied, as typed (without trailing "/"); "." when the source
    // was a bare name.
    std::string sourceFolder;
    // What printed source paths start with: the folder as typed followed by "/", or nothing
    // when the source was a bare name in the current folder.
    std::string sourcePrefix;
    // The folder's absolute, resolved path, used by /EXCLUDE.
    std::string sourceFolderAbsolute;
    // File names to copy; "*" for a whole folder.
    std::string pattern;
    // The source named one existing file (no wildcard).
    bool singleFile = false;

    // The destination as typed, without trailing "/"; "." when none was given.
    std::string destination;
    // True: `destination` is (or becomes) the folder the files go into. False: it is the name
    // of the one file the single source file is copied to.
    bool destinationIsFolder = true;

    enum class Problem { None, MissingSource, NotAFolder, CopyOntoItself, CyclicCopy };
    Problem problem = Problem::None;
    std::string message; // the line to print for a problem
};

// Works out the plan.
//
// A missing destination never makes xcopy ask whether it is a file or a folder: standard
// input is not a terminal, and the job runner passes the destination column, which is always
// a folder. The answer is therefore "a folder" with /I, when the source is a folder or a
// wildcard (so several files may be copied; copying them all onto one file name would leave
// only the last), with /S or /E, or when the destination ends in "/". Only a single named
// file copied without any of these goes to a file of the destination's name, which is what
// `xcopy a.txt b.txt` means.
class CopyPlanner {
public:
    static CopyPlan plan(const XcopyOptions& options);
};

} // namespace trevane
