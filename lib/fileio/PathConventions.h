#pragma once

#include <string>
#include <string_view>

namespace trevane {

// How the platform spells paths: its separator, what a root looks like, a path's folder and
// name. Every part of the program, the archiver library and the tools asks these, so that "the
// folder a file lies in" or "a folder without its trailing separator" means one thing.
struct PathConventions {
    static constexpr char separator = '/';

    static PathConventions native() { return {}; }

    static bool endsWithSeparator(std::string_view path) {
        return !path.empty() && path.back() == separator;
    }

    // A path that names one place whatever the current folder is: "/...".
    static bool isAbsolute(std::string_view path) {
        return !path.empty() && path.front() == separator;
    }

    // The path without the separators at its end; the root keeps its own ("/data//" gives
    // "/data", "/" and "//" give "/").
    static std::string withoutTrailingSeparators(std::string path) {
        while (path.size() > 1 && path.back() == separator)
            path.pop_back();
        return path;
    }

    // The folder a path lies in, as dirname reads it: separators at the end do not count, a
    // name without a folder lies in "." (the current folder), and the root is its own parent:
    // "/a/b/" gives "/a", "/a" and "/" give "/", "a" and "" give ".".
    static std::string parentOf(std::string_view path) {
        while (path.size() > 1 && path.back() == separator)
            path.remove_suffix(1);
        const auto cut = path.find_last_of(separator);
        if (cut == std::string_view::npos)
            return ".";
        std::string_view folder = path.substr(0, cut);
        while (folder.size() > 1 && folder.back() == separator)
            folder.remove_suffix(1);
        return folder.empty() ? std::string(1, separator) : std::string(folder);
    }

    // Appends a separator unless the path ends with one already.
    static std::string withTrailingSeparator(std::string path) {
        if (!endsWithSeparator(path))
            path.push_back(separator);
        return path;
    }

    // The part after the last separator (the whole text when there is none).
    static std::string fileName(std::string_view path) {
        auto cut = path.find_last_of(separator);
        return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
    }

    static std::string join(std::string_view folder, std::string_view name) {
        std::string out(folder);
        out.push_back(separator);
        out.append(name);
        return out;
    }
};

} // namespace trevane
