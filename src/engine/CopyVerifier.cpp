#include "engine/CopyVerifier.h"

#include "CopyPlan.h"
#include "CopySelection.h"
#include "CopyTreeWalk.h"
#include "FileSystemFacts.h"
#include "UniqueFd.h"
#include "XcopyCommandLine.h"

#include "engine/FileComparer.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

std::string linkText(int dir, const std::string& name) {
    char text[PATH_MAX];
    const ssize_t n = ::readlinkat(dir, name.c_str(), text, sizeof text);
    return n < 0 ? std::string() : std::string(text, static_cast<std::size_t>(n));
}

// One verification: the copy's own walk over the source tree, with the destination folder
// beside it.
class CopyCheck : private CopyTreeWalk::Visitor {
public:
    CopyCheck(const XcopyOptions& options, const CopyPlan& plan, CopySelection selection,
              const VerifyStop& stop)
        : m_options(options), m_plan(plan), m_selection(std::move(selection)), m_stop(stop) {}

    VerifyReport run();

private:
    bool stopped() override {
        if (!m_report.stopped && m_stop && m_stop())
            m_report.stopped = true;
        return m_report.stopped;
    }
    void file(CopyFolder& folder, const std::string& name, unsigned char type) override;
    // A folder the copy could not read is not backed up.
    void unreadable(const std::string& path, int) override { differs(path); }
    // The taken entry `name` of sourceDir, whose copy is `targetName` in targetDir (-1: the
    // destination folder is missing).
    void compareFile(int sourceDir, const std::string& name, int targetDir,
                     const std::string& targetName, const std::string& sourcePath);
    void compareLink(int sourceDir, const std::string& name, int targetDir,
                     const std::string& targetName, const std::string& sourcePath);
    void differs(const std::string& sourcePath) { m_report.differences.push_back(sourcePath); }

    const XcopyOptions& m_options;
    const CopyPlan& m_plan;
    CopySelection m_selection;
    const VerifyStop& m_stop;
    VerifyReport m_report;
    FileComparer m_comparer;
    long long m_resolution = 1;
    bool m_linksKept = true;
};

VerifyReport CopyCheck::run() {
    // /L and /T copy no file: there is nothing to compare.
    if (m_options.listOnly || m_options.foldersOnly)
        return m_report;
    CopyFolder top;
    top.source.reset(::open(m_plan.sourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.source) {
        differs(m_plan.sourcePrefix);
        return m_report;
    }
    CopyTreeWalk walk(m_plan, m_selection, *this);
    std::string targetName = m_plan.pattern;
    if (m_plan.singleFile && !m_plan.destinationIsFolder) {
        const std::string& path = m_plan.destination;
        const auto slash = path.rfind('/');
        targetName = slash == std::string::npos ? path : path.substr(slash + 1);
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : path.substr(0, slash);
        top.target.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    } else {
        walk.openTarget(top);
    }
    const int source = top.source.get();
    const int target = top.target.get();
    if (top.target) {
        // The source folder itself under another name (a bind mount): every file would be
        // compared with itself.
        struct stat sourceSt, targetSt;
        if (!m_plan.singleFile && ::fstat(source, &sourceSt) == 0 &&
            ::fstat(target, &targetSt) == 0 && sourceSt.st_dev == targetSt.st_dev &&
            sourceSt.st_ino == targetSt.st_ino) {
            m_report.unverifiable.push_back(m_plan.destination);
            return m_report;
        }
        const FileSystemFacts targetFacts = fileSystemOf(target);
        // A copy on a disk that keeps coarser times is not older than its source.
        m_resolution = coarserResolution(fileSystemOf(source).timeResolutionNs,
                                         targetFacts.timeResolutionNs);
        // xcopy leaves links out where the disk has none (FAT, exFAT): they are not missing.
        m_linksKept = !targetFacts.windowsNames();
    }
    if (m_plan.singleFile) {
        struct stat st;
        const std::string sourcePath = m_plan.sourcePrefix + m_plan.pattern;
        if (::fstatat(source, m_plan.pattern.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            differs(sourcePath);
        else if (S_ISLNK(st.st_mode))
            compareLink(source, m_plan.pattern, target, targetName, sourcePath);
        else
            compareFile(source, m_plan.pattern, target, targetName, sourcePath);
        return m_report;
    }
    walk.walk(top);
    return m_report;
}

void CopyCheck::file(CopyFolder& folder, const std::string& name, unsigned char type) {
    const std::string sourcePath = m_plan.sourcePrefix + folder.relative + name;
    if (type == DT_LNK)
        compareLink(folder.source.get(), name, folder.target.get(), name, sourcePath);
    else if (type == DT_REG)
        compareFile(folder.source.get(), name, folder.target.get(), name, sourcePath);
}

void CopyCheck::compareFile(int sourceDir, const std::string& name, int targetDir,
                     const std::string& targetName, const std::string& sourcePath) {
    const UniqueFd source(::openat(sourceDir, name.c_str(), kReadFlags));
    struct stat s;
    if (!source || ::fstat(source.get(), &s) != 0) {
        if (errno != ENOENT && errno != ELOOP) { // gone, or replaced, since it was listed
            ++m_report.files;
            differs(sourcePath);
        }
        return;
    }
    if (!S_ISREG(s.st_mode) || !m_selection.changedSince(s.st_mtim))
        return;
    const UniqueFd target(targetDir >= 0 ? ::openat(targetDir, targetName.c_str(), kReadFlags)
                                         : -1);
    struct stat t;
    const bool present = target && ::fstat(target.get(), &t) == 0;
    if (!present && m_options.onlyExisting)
        return; // /U copies only files the destination has
    if (present && isNewerAt(s.st_mtim, t.st_mtim, m_resolution))
        return; // changed since the backup: the next run copies it
    if (present && t.st_dev == s.st_dev && t.st_ino == s.st_ino) {
        m_report.unverifiable.push_back(sourcePath);
        return;
    }
    FileComparer::Result same = FileComparer::Result::Different;
    if (present && S_ISREG(t.st_mode) && t.st_size == s.st_size)
        same = m_comparer.sameFiles(source.get(), target.get(), s.st_size,
                                    [this] { return stopped(); });
    if (same == FileComparer::Result::Stopped)
        return;
    ++m_report.files;
    if (same == FileComparer::Result::Same)
        return;
    differs(sourcePath);
    // A damaged copy keeps its time, so a run with /D would take it for up to date and leave
    // it as it is: dated a day before its source (a time every disk keeps, in any of their
    // steps older), the next run copies it again.
    if (present && S_ISREG(t.st_mode)) {
        // Both times given: exfat-fuse refuses a time it is told to leave alone.
        const struct timespec times[2] = {t.st_atim, {s.st_mtim.tv_sec - 86400, 0}};
        (void)::futimens(target.get(), times);
    }
}

void CopyCheck::compareLink(int sourceDir, const std::string& name, int targetDir,
                     const std::string& targetName, const std::string& sourcePath) {
    struct stat s, t;
    if (::fstatat(sourceDir, name.c_str(), &s, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(s.st_mode) ||
        !m_selection.changedSince(s.st_mtim))
        return;
    const bool present =
        targetDir >= 0 && ::fstatat(targetDir, targetName.c_str(), &t, AT_SYMLINK_NOFOLLOW) == 0;
    if (!present && (m_options.onlyExisting || !m_linksKept))
        return;
    if (present && isNewerAt(s.st_mtim, t.st_mtim, m_resolution))
        return;
    ++m_report.files;
    if (!present || !S_ISLNK(t.st_mode) ||
        linkText(sourceDir, name) != linkText(targetDir, targetName))
        differs(sourcePath);
}

} // namespace

std::optional<VerifyReport> CopyVerifier::verify(const std::vector<std::string>& args,
                                                 const VerifyStop& stop) {
    const XcopyParseResult parsed = XcopyCommandLine::parse(args);
    if (!parsed.ok)
        return std::nullopt;
    ExcludeList exclude;
    std::string error;
    if (!exclude.load(parsed.options.excludeFiles, error))
        return std::nullopt;
    const CopyPlan plan = CopyPlanner::plan(parsed.options);
    if (plan.problem != CopyPlan::Problem::None)
        return std::nullopt;
    return CopyCheck(parsed.options, plan, CopySelection(parsed.options, plan, std::move(exclude)),
                     stop)
        .run();
}

} // namespace trevane
