#pragma once

#include <string>

namespace trevane {

// True when the folder inner is the folder outer itself or lies somewhere inside it. Both are
// compared as the system sees them, not as spelled: links, "..", doubled separators and bind
// mounts that show one folder at two places are all seen through (each folder of inner's real
// path, up to the root, is compared with outer by device and inode). False when either folder
// does not exist.
bool folderHolds(const std::string& outer, const std::string& inner);

// The folder (or file) that path names: its real path when path itself is a symbolic link (a
// backup disk linked into the home folder), else path unchanged. Removing or replacing such a
// path would remove the link, not what is behind it.
std::string linkTarget(const std::string& path);

} // namespace trevane
