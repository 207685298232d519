#include "engine/CopyVerifier.h"

#include "CopyPlan.h"
#include "CopySelection.h"
#include "FileSystemFacts.h"
#include "FolderEntries.h"
#include "UniqueFd.h"
#include "XcopyCommandLine.h"

#include "engine/FileComparer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string linkText(int dir, const std::string& name) {
    char text[PATH_MAX];
    const ssize_t n = ::readlinkat(dir, name.c_str(), text, sizeof text);
    return n < 0 ? std::string() : std::string(text, static_cast<std::size_t>(n));
}

// One verification: the walk over the source tree, with the destination folder beside it.
class CopyCheck {
public:
    CopyCheck(const XcopyOptions& options, const CopyPlan& plan, CopySelection selection,
              const VerifyStop& stop)
        : m_options(options), m_plan(plan), m_selection(std::move(selection)), m_stop(stop) {}

    VerifyReport run();

private:
    void folder(int sourceFd, int targetFd, const std::string& relative);
    // The taken entry `name` of sourceDir, whose copy is `targetName` in targetDir (-1: the
    // destination folder is missing).
    void file(int sourceDir, const std::string& name, int targetDir, const std::string& targetName,
              const std::string& sourcePath);
    void link(int sourceDir, const std::string& name, int targetDir, const std::string& targetName,
              const std::string& sourcePath);
    bool stopped() {
        if (!m_report.stopped && m_stop && m_stop())
            m_report.stopped = true;
        return m_report.stopped;
    }
    void differs(const std::string& sourcePath) { m_report.differences.push_back(sourcePath); }

    const XcopyOptions& m_options;
    const CopyPlan& m_plan;
    CopySelection m_selection;
    const VerifyStop& m_stop;
    VerifyReport m_report;
    FileComparer m_comparer;
    long long m_resolution = 1;
    bool m_linksKept = true;
    dev_t m_targetDevice = 0;
    ino_t m_targetInode = 0;
};

VerifyReport CopyCheck::run() {
    // /L and /T copy no file: there is nothing to compare.
    if (m_options.listOnly || m_options.foldersOnly)
        return m_report;
    const UniqueFd source(::open(m_plan.sourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!source) {
        differs(m_plan.sourcePrefix);
        return m_report;
    }
    std::string targetFolder = m_plan.destination;
    std::string targetName = m_plan.pattern;
    if (m_plan.singleFile && !m_plan.destinationIsFolder) {
        const auto slash = targetFolder.rfind('/');
        targetName = slash == std::string::npos ? targetFolder : targetFolder.substr(slash + 1);
        targetFolder = slash == std::string::npos ? "."
                       : slash == 0               ? "/"
                                                  : targetFolder.substr(0, slash);
    }
    // The destination as named may be a link to a folder: the user chose it.
    const UniqueFd target(::open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const FileSystemFacts sourceFacts = fileSystemOf(source.get());
    if (target) {
        struct stat st;
        if (::fstat(target.get(), &st) == 0) {
            m_targetDevice = st.st_dev;
            m_targetInode = st.st_ino;
        }
        const FileSystemFacts targetFacts = fileSystemOf(target.get());
        // A copy on a disk that keeps coarser times is not older than its source.
        m_resolution =
            coarserResolution(sourceFacts.timeResolutionNs, targetFacts.timeResolutionNs);
        // xcopy leaves links out where the disk has none (FAT, exFAT): they are not missing.
        m_linksKept = !targetFacts.windowsNames();
    }
    if (m_plan.singleFile) {
        struct stat st;
        if (::fstatat(source.get(), m_plan.pattern.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            differs(m_plan.sourcePrefix + m_plan.pattern);
        else if (S_ISLNK(st.st_mode))
            link(source.get(), m_plan.pattern, target.get(), targetName,
                 m_plan.sourcePrefix + m_plan.pattern);
        else
            file(source.get(), m_plan.pattern, target.get(), targetName,
                 m_plan.sourcePrefix + m_plan.pattern);
        return m_report;
    }
    folder(source.get(), target.get(), "");
    return m_report;
}

void CopyCheck::folder(int sourceFd, int targetFd, const std::string& relative) {
    std::vector<FolderEntry> entries;
    int error = 0;
    if (!listFolder(sourceFd, entries, error)) {
        differs(m_plan.sourcePrefix + relative);
        return;
    }
    // In name order, as xcopy copies, so the differences read in the order of its listing.
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    std::vector<std::string> subfolders;
    for (const FolderEntry& entry : entries) {
        if (stopped())
            return;
        unsigned char type = entry.type;
        if (type == DT_UNKNOWN) { // file systems that do not give types in listings
            struct stat st;
            if (::fstatat(sourceFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(st.st_mode)   ? DT_DIR
                   : S_ISREG(st.st_mode) ? DT_REG
                   : S_ISLNK(st.st_mode) ? DT_LNK
                                         : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            if (m_selection.folder(relative, entry.name) == CopySelection::Verdict::Taken)
                subfolders.push_back(entry.name);
            continue;
        }
        if ((type != DT_REG && type != DT_LNK) ||
            m_selection.file(relative, entry.name) != CopySelection::Verdict::Taken)
            continue;
        const std::string sourcePath = m_plan.sourcePrefix + relative + entry.name;
        if (type == DT_LNK)
            link(sourceFd, entry.name, targetFd, entry.name, sourcePath);
        else
            file(sourceFd, entry.name, targetFd, entry.name, sourcePath);
    }
    for (const std::string& name : subfolders) {
        if (stopped())
            return;
        const std::string childRelative = relative + name + "/";
        if (childRelative.size() > PATH_MAX)
            continue; // xcopy refuses it with its own failure
        const UniqueFd source(::openat(sourceFd, name.c_str(), kFolderFlags));
        if (!source)
            continue; // replaced by a link or a file since it was listed
        struct stat st;
        if (::fstat(source.get(), &st) == 0 && st.st_dev == m_targetDevice &&
            st.st_ino == m_targetInode)
            continue; // the destination itself, which xcopy never copies into itself
        // Below the top, a link in the destination is no copy of a folder: never followed.
        const UniqueFd target(targetFd >= 0 ? ::openat(targetFd, name.c_str(), kFolderFlags) : -1);
        folder(source.get(), target.get(), childRelative);
    }
}

void CopyCheck::file(int sourceDir, const std::string& name, int targetDir,
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
    FileComparer::Result same = FileComparer::Result::Different;
    if (present && S_ISREG(t.st_mode) && t.st_size == s.st_size)
        same = m_comparer.sameFiles(source.get(), target.get(), s.st_size,
                                    [this] { return stopped(); });
    if (same == FileComparer::Result::Stopped)
        return;
    ++m_report.files;
    if (same != FileComparer::Result::Same)
        differs(sourcePath);
}

void CopyCheck::link(int sourceDir, const std::string& name, int targetDir,
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
