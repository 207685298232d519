#pragma once

#include <string>

namespace trevane {

// How a second start of the program reaches the window that runs: a local socket
// "<name>-<uid>.socket" beside the single-instance lock (SingleInstance), on which only the
// window listens (a command-line run holds the lock without it). A request is one line, answered
// by the line "ok" once the window has taken it:
//   show         shows the window and brings it to the front
//   open PATH    the same, then opens the job file PATH (an absolute path)
namespace InstanceRequest {
inline constexpr char Show[] = "show";
inline constexpr char OpenPrefix[] = "open ";
inline constexpr char Answer[] = "ok";
} // namespace InstanceRequest

// The socket's path for the lock called name (dataFolder as SingleInstance takes it). Empty
// where nobody may listen: the lock's folder is not the user's own and closed to others (the
// program's data folder may be open to others when there is no runtime folder), or the path
// is too long for a socket.
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
