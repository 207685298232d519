#pragma once

// The window is a module of its own that the program loads only when it opens the window, so
// a run from the command line starts without the widget libraries (they are most of a bare
// start's cost). The module lies in the helper folder.
namespace trevane {

inline constexpr char kWindowModuleFile[] = "trevane-window.so";
inline constexpr char kWindowEntryName[] = "trevane_window_main";
// Runs the window until the program ends and returns the exit code. The caller has checked
// that this is the first instance and that a display is there.
using WindowEntry = int (*)(int argc, char* argv[]);

} // namespace trevane
