#pragma once

namespace trevane {

// True when the system is of the Windows NT family; the runner then clears a destination with
// "cmd.exe /c rmdir" instead of "deltree". Always false on POSIX.
bool isWinNT();

} // namespace trevane
