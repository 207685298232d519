#pragma once

#include <string>
#include <sys/types.h>

namespace trevane {

// How a second start of the program reaches the window that runs: a local socket on which only
// the window listens (a command-line run holds the lock without it), "<name>-<uid>.socket"
// beside the single-instance lock (SingleInstance) in the data folder. A request is one line,
// answered by the line "ok" once the window has taken it:
//   show         shows the window and brings it to the front
//   open PATH    the same, then opens the job file PATH (an absolute path)
namespace InstanceRequest {
inline constexpr char Show[] = "show";
inline constexpr char OpenPrefix[] = "open ";
inline constexpr char Answer[] = "ok";
} // namespace InstanceRequest

// The user's runtime folder, the same for every session of the user: XDG_RUNTIME_DIR
// (xdgRuntimeDir) names it in a desktop session, a systemd user service or an ssh login; cron
// leaves it unset although the folder is there while the user is logged in, so without it the
// folder is looked for in its usual place runUserBase/<uid> (/run/user/1000). Either is taken
// only when it belongs to the user (uid) and is closed to others: after su, XDG_RUNTIME_DIR
// still names the other user's folder. Empty when there is none.
std::string runtimeFolderFor(const char* xdgRuntimeDir, uid_t uid, const std::string& runUserBase);

// The socket's path for the lock called name (dataFolder as SingleInstance takes it): beside
// the lock where the data folder is the user's own and closed to others; else, where it is open
// to others (a build tree, a portable copy) or the path too long for a socket, in the user's
// runtime folder under a name that tells the data folder apart ("<name>-<uid>-<device>-<inode>.
// socket"), so that windows of two data folders do not take each other's place. Empty where
// nobody may listen: neither folder will do.
std::string instanceSocketPath(const std::string& name, const std::string& dataFolder);

// Before listening at path, removes what an instance that ended without cleaning up left there:
// only a socket of this user. False when something else lies there (a file, a folder, a link),
// which is left as it is.
bool removeStaleInstanceSocket(const std::string& path);

// Sends the request line to the window listening at path and waits at most timeoutMs for its
// answer: true when it answered "ok". Anything at path but a socket of this user (a link put in
// its place) is never connected to.
bool sendInstanceRequest(const std::string& path, const std::string& request, int timeoutMs);

} // namespace trevane
