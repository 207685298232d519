#pragma once

#include <string>
#include <string_view>

namespace trevane {

// How the platform spells paths: its separator and what a root looks like. The job rules
// ("a trailing separator is removed unless the text is a root") are written once against
// this value, so they can be checked with Windows spellings ("C:\", "D:\Bak\") as well as
// with the POSIX ones the program really uses.
struct PathConventions {
    char separator = '/';
    bool driveRoots = false; // true: a separator right after ':' makes a root ("C:\")

    static PathConventions posix() { return {'/', false}; }
    static PathConventions windows() { return {'\\', true}; }
    static PathConventions native() { return posix(); }

    bool endsWithSeparator(std::string_view path) const {
        return !path.empty() && path.back() == separator;
    }

    // A text whose trailing separator belongs to a root: "/" on POSIX, "X:\" on Windows.
    bool isRootWithSeparator(std::string_view path) const {
        if (!endsWithSeparator(path))
            return false;
        if (driveRoots)
            return path.size() >= 2 && path[path.size() - 2] == ':';
        return path.size() == 1;
    }

    // A path that names one place whatever the current folder is: "/..." on POSIX; "X:\..." or
    // "\\server\..." with drive roots.
    bool isAbsolute(std::string_view path) const {
        if (!driveRoots)
            return !path.empty() && path.front() == separator;
        return (path.size() >= 3 && path[1] == ':' && path[2] == separator) ||
               (path.size() >= 2 && path[0] == separator && path[1] == separator);
    }

    // Removes one trailing separator unless it is the separator of a root.
    std::string withoutTrailingSeparator(std::string path) const {
        if (endsWithSeparator(path) && !isRootWithSeparator(path))
            path.pop_back();
        return path;
    }

    // Appends a separator unless the path ends with one already.
    std::string withTrailingSeparator(std::string path) const {
        if (!endsWithSeparator(path))
            path.push_back(separator);
        return path;
    }

    // The part after the last separator (the whole text when there is none).
    std::string fileName(std::string_view path) const {
        auto cut = path.find_last_of(separator);
        return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
    }

    std::string join(std::string_view folder, std::string_view name) const {
        std::string out(folder);
        out.push_back(separator);
        out.append(name);
        return out;
    }
};

} // namespace trevane
