#include "CopyPlan.h"

#include "NamePattern.h"
#include "PathConventions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace trevane {

namespace {

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string realPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr)
        return {};
    return buffer;
}

// The absolute form of a path that may not exist yet: its deepest existing folder resolved,
// the missing rest appended with "." and ".." worked out by name.
std::string resolvedPathOf(const std::string& path) {
    std::string existing = path;
    std::vector<std::string> missing;
    struct stat st;
    while (!existing.empty() && existing != "/" && ::stat(existing.c_str(), &st) != 0) {
        const auto slash = existing.rfind('/');
        if (slash == std::string::npos) {
            missing.push_back(existing);
            // A string, not a literal: GCC 12 at -O3 takes assigning a literal here for an
            // overlapping copy (-Wrestrict).
            existing = std::string(".");
            break;
        }
        missing.push_back(existing.substr(slash + 1));
        existing = slash == 0 ? "/" : existing.substr(0, slash);
    }
    std::string result = realPath(existing.empty() ? "." : existing);
    if (result.empty())
        return {};
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (it->empty() || *it == ".")
            continue;
        if (*it == "..") {
            const auto slash = result.rfind('/');
            result = slash == 0 ? "/" : result.substr(0, slash);
            continue;
        }
        result = joinPath(result, *it);
    }
    return result;
}

bool isInside(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return path.size() > 1;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

} // namespace

CopyPlan CopyPlanner::plan(const XcopyOptions& options) {
    CopyPlan plan;
    const std::string source = PathConventions::withoutTrailingSeparators(options.source);
    struct stat st;

    if (::stat(source.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        plan.sourceFolder = source;
        plan.sourcePrefix = joinPath(source, "");
        // Strings, not literals: see resolvedPathOf.
        plan.pattern = std::string("*");
    } else {
        const auto slash = source.rfind('/');
        if (slash == std::string::npos) {
            plan.sourceFolder = std::string(".");
            plan.pattern = source;
        } else {
            plan.sourceFolder = slash == 0 ? "/" : source.substr(0, slash);
            plan.sourcePrefix = source.substr(0, slash + 1);
            plan.pattern = source.substr(slash + 1);
        }
        plan.singleFile = !NamePattern::hasWildcard(plan.pattern) &&
                          ::stat(source.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        struct stat folder;
        if (plan.pattern.empty() || ::stat(plan.sourceFolder.c_str(), &folder) != 0 ||
            !S_ISDIR(folder.st_mode)) {
            plan.problem = CopyPlan::Problem::MissingSource;
            plan.message = "ファイルが見つかりません - " + options.source;
            return plan;
        }
    }
    plan.sourceFolderAbsolute = realPath(plan.sourceFolder);
    if (plan.sourceFolderAbsolute.empty()) {
        plan.problem = CopyPlan::Problem::MissingSource;
        plan.message = "ファイルが見つかりません - " + options.source;
        return plan;
    }

    const bool endsWithSlash = !options.destination.empty() && options.destination.back() == '/';
    plan.destination = options.destination.empty()
                           ? "."
                           : PathConventions::withoutTrailingSeparators(options.destination);
    const bool severalFiles = !plan.singleFile || options.subfolders;
    if (::stat(plan.destination.c_str(), &st) == 0) {
        plan.destinationIsFolder = S_ISDIR(st.st_mode);
        if (!plan.destinationIsFolder && (severalFiles || endsWithSlash)) {
            plan.problem = CopyPlan::Problem::NotAFolder;
            plan.message = "フォルダーではありません - " + options.destination;
            return plan;
        }
    } else {
        plan.destinationIsFolder = options.assumeFolder || severalFiles || endsWithSlash;
    }

    const std::string target = resolvedPathOf(plan.destination);
    const std::string sourceFile =
        plan.singleFile ? joinPath(plan.sourceFolderAbsolute, plan.pattern) : std::string();
    const std::string targetFile =
        plan.destinationIsFolder && plan.singleFile ? joinPath(target, plan.pattern) : target;
    if ((plan.destinationIsFolder && target == plan.sourceFolderAbsolute) ||
        (plan.singleFile && targetFile == sourceFile)) {
        plan.problem = CopyPlan::Problem::CopyOntoItself;
        plan.message = "ファイルをそれ自身にコピーすることはできません";
        return plan;
    }
    if (options.subfolders && isInside(target, plan.sourceFolderAbsolute)) {
        plan.problem = CopyPlan::Problem::CyclicCopy;
        plan.message = "周期的なコピーを実行できません";
        return plan;
    }
    return plan;
}

} // namespace trevane
