#pragma once

#include "engine/CommandLineRequest.h"

#include <string>
#include <string_view>

namespace trevane {

class DesktopNotifier;

// Carries out a request of the command line other than opening the window (Mode::Window is not
// accepted) and returns the program's exit code; see CommandLineRequest::helpText for the
// codes. A run takes the single-instance lock first and touches nothing when another instance
// holds it; it then runs its queue of job files through the same runner as the window, with the
// program folder's settings, job-file folder and log file, with no window and no display. Help
// and the version go to standard output, complaints to standard error. A job that ends with
// failed steps is told through notifier (when given) while the settings' bNotifyJobEnd is on.
int runFromCommandLine(const CommandLineRequest& request, std::string_view version,
                       DesktopNotifier* notifier = nullptr);

// The job file a window start names (CommandLineRequest::openFile): true with its absolute path
// in path (taken from the current folder); false with one line in error when nothing is there
// or it is no job file (a folder, a name without ".cpl").
bool jobFileToOpen(const std::string& given, std::string& path, std::string& error);

} // namespace trevane
