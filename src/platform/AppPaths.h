#pragma once

#include "PathConventions.h"

#include <string>

namespace trevane {

// Where the program lives and where it keeps its files.
//
// executableFolder(): the folder of the running executable, without a trailing separator.
//
// helperFolder(): the folder of the window module, the helper programs (xcopy, deltree, unlha),
// the archiver library and the manual: the executable's folder when they lie beside it (a build
// tree, a portable copy), else the package's private folder "<prefix>/lib/<triplet>/trevane"
// for an executable in "<prefix>/bin".
//
// programFolder(): the folder of the settings, log and list files and of the job-file folder
// "CPL" (see chooseProgramFolder). Without trailing separator.
std::string executableFolder();
// The running executable's full path.
std::string executablePath();
std::string helperFolder();
std::string programFolder();

// The helper folder for an executable in executableFolder: that folder when it holds xcopy,
// else <parent>/lib/<triplet>/trevane when that folder exists, else executableFolder.
std::string helperFolderFor(const std::string& executableFolder);

// What decides the program folder; the environment's values, empty when unset.
struct ProgramFolderInputs {
    std::string trevaneHome; // TREVANE_HOME
    std::string executableFolder;
    std::string xdgConfigHome; // XDG_CONFIG_HOME
    std::string home;          // HOME, else the account's home folder
};

// The user's configuration folder by the XDG base directory rule: xdgConfigHome when it is an
// absolute path, else home + "/.config". Without trailing separator.
std::string userConfigFolder(const std::string& xdgConfigHome, const std::string& home);
// userConfigFolder of the environment's XDG_CONFIG_HOME and HOME (else the account's home).
std::string userConfigFolder();

// The program folder: TREVANE_HOME when it names an existing folder (tests, separate
// profiles); else the executable's folder when the user may write it and it is not an
// installed copy (its helpers lie beside it); else the per-user folder
// $XDG_CONFIG_HOME/Trevane (an unset or relative XDG_CONFIG_HOME means $HOME/.config), which
// is created with its missing parents, itself closed to other users (0700). Without trailing
// separator.
std::string chooseProgramFolder(const ProgramFolderInputs& inputs);
// The folder of the run history (one whole log per run): "runs" in the program folder when that
// is a folder of its own (TREVANE_HOME, a copy kept in its own folder), else the per-user state
// folder $XDG_STATE_HOME/Trevane/runs (an unset or relative XDG_STATE_HOME means
// $HOME/.local/state). Not created here. Without trailing separator. userConfig is
// userConfigFolder(); xdgStateHome and home are the environment's values.
std::string chooseRunsFolder(const std::string& programFolder, const std::string& userConfig,
                             const std::string& xdgStateHome, const std::string& home);
// chooseRunsFolder of the environment.
std::string runsFolder(const std::string& programFolder);
// The folder TREVANE_HOME gives the program as its profile, made absolute; empty when the
// program found its folder itself. What a program started on its behalf must be given too.
std::string profileFolder();

// A path that is "~" or begins with "~/" as the shell reads it: the user's home folder ($HOME,
// else the account's) in place of the "~". Any other path, "~user" included, is returned as it
// is, and so is every path when no home folder is known.
std::string withHomeFolder(const std::string& path);

bool directoryExists(const std::string& path);
bool fileExists(const std::string& path);
// Creates one folder level; the parent must exist. True when it was created.
bool createDirectory(const std::string& path);
// Creates a folder and its missing parents. True when the folder exists afterwards.
bool createDirectories(const std::string& path);

} // namespace trevane
