#pragma once

#include <string>

namespace trevane {

// Where the program lives and where it keeps its files.
//
// executableFolder(): the folder of the running executable, without a trailing separator.
// Helper programs (xcopy, deltree) and the archiver library are looked for there.
//
// programFolder(): the folder of the settings, log and list files and of the job-file folder
// "CPL". It is the executable's folder, unless the environment variable TREVANE_HOME names a
// folder, which then takes its place (tests and separate profiles use it). Without trailing
// separator.
std::string executableFolder();
std::string programFolder();

bool directoryExists(const std::string& path);
bool fileExists(const std::string& path);
// Creates one folder level; the parent must exist. True when it was created.
bool createDirectory(const std::string& path);

} // namespace trevane
