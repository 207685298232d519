#include "platform/InstanceChannel.h"

#include "PathConventions.h"

#include "UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace trevane {

namespace {

bool isOwnSocket(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == getuid();
}

// A folder of uid's that no other user may enter (mode 0700 or less).
bool isPrivateFolder(const std::string& path, uid_t uid) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == uid && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

} // namespace

std::string runtimeFolderFor(const char* xdgRuntimeDir, uid_t uid, const std::string& runUserBase) {
    if (xdgRuntimeDir && isPrivateFolder(xdgRuntimeDir, uid))
        return xdgRuntimeDir;
    const std::string own = PathConventions::native().join(runUserBase, std::to_string(uid));
    return isPrivateFolder(own, uid) ? own : std::string();
}

std::string instanceSocketPath(const std::string& name, const std::string& dataFolder) {
    const PathConventions conv = PathConventions::native();
    const std::string user = name + "-" + std::to_string(getuid());
    std::string path = conv.join(dataFolder, user + ".socket");
    if (isPrivateFolder(dataFolder, getuid()) && path.size() < sizeof(sockaddr_un::sun_path))
        return path;
    const std::string runtime =
        runtimeFolderFor(std::getenv("XDG_RUNTIME_DIR"), getuid(), "/run/user");
    struct stat data;
    if (runtime.empty() || stat(dataFolder.c_str(), &data) != 0)
        return {};
    char key[64];
    std::snprintf(key, sizeof key, "-%llx-%llx.socket",
                  static_cast<unsigned long long>(data.st_dev),
                  static_cast<unsigned long long>(data.st_ino));
    path = conv.join(runtime, user + key);
    return path.size() < sizeof(sockaddr_un::sun_path) ? path : std::string();
}

bool removeStaleInstanceSocket(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    return isOwnSocket(path) && unlink(path.c_str()) == 0;
}

bool sendInstanceRequest(const std::string& path, const std::string& request, int timeoutMs) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!isOwnSocket(path) || path.size() >= sizeof address.sun_path ||
        request.find('\n') != std::string::npos)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd || connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;
    const std::string line = request + '\n';
    // Short enough for the socket's buffer: one send, which the window reads when it gets to it.
    if (send(fd.get(), line.data(), line.size(), MSG_NOSIGNAL) != ssize_t(line.size()))
        return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string answer;
    while (answer.find('\n') == std::string::npos && answer.size() < 64) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{fd.get(), POLLIN, 0};
        const int polled = poll(&ready, 1, int(std::max<long long>(left.count(), 0)));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return false;
        char buffer[64];
        const ssize_t got = recv(fd.get(), buffer, sizeof buffer, 0);
        if (got <= 0)
            return false;
        answer.append(buffer, size_t(got));
    }
    return answer == std::string(InstanceRequest::Answer) + '\n';
}

} // namespace trevane
