#pragma once

#include <string>

namespace unlha {

// Rules for member names, shared by the commands and the self-extracting program.
namespace PathRules {

// Makes a stored member path safe to create below a target folder: leading "/" are dropped
// (as every LHA reader does), "." parts vanish, ".." parts cancel the folder before them.
// Returns false when a ".." would climb above the target, a part holds a zero byte (which
// no file name can) or nothing is left.
bool safeRelative(const std::string& stored, std::string& out);

// True when a link placed at linkPath (relative to the target) that points at target stays
// inside the target folder, whatever links of the archive the target passes through: a ".."
// after a name is refused.
bool linkStaysInside(const std::string& linkPath, const std::string& target);

// The last part of a path.
std::string baseName(const std::string& path);

// Control characters replaced by "?", so a listing cannot drive the terminal.
std::string printable(const std::string& name);

} // namespace PathRules
} // namespace unlha
