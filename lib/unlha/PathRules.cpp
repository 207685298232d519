#include "PathRules.h"

#include <algorithm>
#include <vector>

namespace unlha::PathRules {

namespace {

// Splits on "/" and resolves "." and ".."; false when ".." leaves the root.
bool resolve(const std::string& path, std::vector<std::string>& parts) {
    size_t i = 0;
    while (i <= path.size()) {
        size_t slash = path.find('/', i);
        if (slash == std::string::npos)
            slash = path.size();
        std::string part = path.substr(i, slash - i);
        i = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part.find('\0') != std::string::npos)
            return false; // no file name can hold it
        if (part == "..") {
            if (parts.empty())
                return false;
            parts.pop_back();
            continue;
        }
        parts.push_back(std::move(part));
    }
    return true;
}

} // namespace

bool safeRelative(const std::string& stored, std::string& out) {
    std::vector<std::string> parts;
    if (!resolve(stored, parts) || parts.empty())
        return false;
    out.clear();
    for (const std::string& p : parts) {
        if (!out.empty())
            out += '/';
        out += p;
    }
    return true;
}

bool linkStaysInside(const std::string& linkPath, const std::string& target) {
    if (target.empty() || target[0] == '/')
        return false;
    // The system resolves ".." after a name from where that name leads, and the name may be
    // another link of the archive ("y -> z/../.." with "z -> ../.."): only a ".." before every
    // name can be judged from the text.
    bool named = false;
    for (size_t i = 0; i <= target.size();) {
        size_t slash = std::min(target.find('/', i), target.size());
        std::string part = target.substr(i, slash - i);
        i = slash + 1;
        if (part == ".." && named)
            return false;
        named = named || (!part.empty() && part != "." && part != "..");
    }
    std::string folder;
    size_t slash = linkPath.rfind('/');
    if (slash != std::string::npos)
        folder = linkPath.substr(0, slash + 1);
    std::vector<std::string> parts;
    return resolve(folder + target, parts);
}

std::string baseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string printable(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = '?';
    }
    return out;
}

} // namespace unlha::PathRules
