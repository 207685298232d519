#include "Xcopy.h"

#include "ErrorText.h"
#include "FileSystem.h"
#include "FileSystemFacts.h"
#include "FolderEntries.h"
#include "PrintableName.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace trevane {

namespace {

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Lists a folder's entries sorted by name, so runs are repeatable and the log reads in order.
bool listSorted(int fd, std::vector<FolderEntry>& entries, int& errorNumber) {
    if (!listFolder(fd, entries, errorNumber))
        return false;
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return true;
}

// A folder is made one level at a time, like `mkdir -p`; folders that exist already are fine.
int makeFolders(const std::string& path) {
    for (std::string::size_type slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

} // namespace

Xcopy::Xcopy(XcopyOptions options, std::FILE* out, std::FILE* err)
    : m_options(std::move(options)), m_out(out), m_err(err), m_creationMask(currentUmask()),
      m_copier(m_creationMask) {}

void Xcopy::reportNote(const std::string& line) {
    std::fflush(m_out);
    std::fprintf(m_err, "%s\n", printableName(line).c_str());
    std::fflush(m_err);
}

void Xcopy::reportFailureLine(const std::string& line) {
    reportNote(line);
    ++m_failures;
    if (!m_options.continueOnError)
        m_stop = true;
}

void Xcopy::reportFailure(const std::string& path, int errorNumber) {
    reportFailureLine(path + ": " + ErrorText::of(errorNumber));
}

std::string Xcopy::targetPathOf(const Folder& folder, const std::string& name) const {
    return m_plan.destination + (m_plan.destination == "/" ? "" : "/") + folder.relative + name;
}

void Xcopy::closeFolder(Folder& folder) {
    if (folder.sourceFd >= 0)
        ::close(folder.sourceFd);
    if (folder.targetFd >= 0)
        ::close(folder.targetFd);
    folder.sourceFd = folder.targetFd = -1;
}

bool Xcopy::createTopTarget(Folder& folder) {
    const int error = makeFolders(m_plan.destination);
    if (error == 0) {
        openExistingTarget(folder);
        if (folder.targetFd >= 0)
            return true;
    }
    // A link to a folder that is not there (a backup disk not mounted) passes mkdir as existing
    // and then cannot be opened: the folder is missing, whatever the link's own name says.
    const int reason = error != 0 ? error : folder.targetProblem;
    reportFailure(m_plan.destination, reason != 0 ? reason : ENOENT);
    return false;
}

void Xcopy::openExistingTarget(Folder& folder) {
    int fd;
    if (folder.parent == nullptr) {
        // The destination as named may be a link to a folder: the user chose it.
        fd = ::open(m_plan.destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } else {
        if (folder.parent->targetFd < 0)
            return;
        // Below the top, a link in the destination is never followed: it could lead anywhere.
        fd = ::openat(folder.parent->targetFd, folder.name.c_str(),
                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0) {
        folder.targetProblem = errno == ENOENT ? 0 : (errno == ELOOP ? ENOTDIR : errno);
        return;
    }
    folder.targetFd = fd;
    folder.targetProblem = 0;
    if (folder.parent == nullptr) {
        struct stat st;
        if (::fstat(fd, &st) == 0) {
            m_targetDevice = st.st_dev;
            m_targetInode = st.st_ino;
            m_targetKnown = true;
        }
    }
}

bool Xcopy::ensureTarget(Folder& folder) {
    if (folder.targetFd >= 0)
        return true;
    if (folder.targetProblem != 0) {
        reportFailure(targetPathOf(folder, ""), folder.targetProblem);
        folder.targetProblem = 0; // reported once; later files of the folder fail quietly
        return false;
    }
    if (folder.parent == nullptr)
        return createTopTarget(folder);
    if (!ensureTarget(*folder.parent))
        return false;
    if (::mkdirat(folder.parent->targetFd, folder.name.c_str(), 0777) == 0) {
        folder.targetCreated = true;
    } else if (errno != EEXIST) {
        reportFailure(targetPathOf(folder, ""), errno);
        return false;
    }
    openExistingTarget(folder);
    if (folder.targetFd >= 0)
        return true;
    reportFailure(targetPathOf(folder, ""), folder.targetProblem ? folder.targetProblem : ENOENT);
    return false;
}

bool Xcopy::admits(const struct stat& source, const std::string& targetPath,
                   const struct stat* target) {
    if (!m_selection->changedSince(source.st_mtim))
        return false;
    if (m_options.onlyExisting && target == nullptr)
        return false;
    if (target == nullptr)
        return true;
    if (m_options.onlyNewer && !isNewerAt(source.st_mtim, target->st_mtim, m_timeResolution)) {
        // The same time with another size is a copy that never got its data to the disk (a
        // crash after the times were set): copying it again beats skipping it for ever.
        const bool unfinished = S_ISREG(source.st_mode) && S_ISREG(target->st_mode) &&
                                !isNewerAt(target->st_mtim, source.st_mtim, m_timeResolution) &&
                                source.st_size != target->st_size;
        if (!unfinished)
            return false;
    }
    if (S_ISDIR(target->st_mode)) {
        reportFailure(targetPath, EISDIR);
        return false;
    }
    if (!m_options.overwrite) {
        // Without /Y the program would ask; nobody can answer, so the answer is no.
        reportNote("上書きしませんでした (/Y がありません) - " + targetPath);
        return false;
    }
    if (S_ISREG(target->st_mode) && (target->st_mode & S_IWUSR) == 0 &&
        !m_options.overwriteReadOnly) {
        reportFailureLine("読み取り専用のファイルです (/R がありません) - " + targetPath);
        return false;
    }
    return true;
}

void Xcopy::transfer(int sourceDir, const std::string& name, bool isLink, int targetDir,
                     const std::string& targetName, const std::string& sourcePath,
                     const std::string& targetPath) {
    const FileCopier::Outcome outcome =
        isLink ? m_copier.copySymlink(sourceDir, name.c_str(), targetDir, targetName.c_str())
               : m_copier.copyFile(sourceDir, name.c_str(), targetDir, targetName.c_str(),
                                   m_options.keepAttributes);
    switch (outcome.status) {
    case FileCopier::Status::Copied:
        ++m_copied;
        if (outcome.modeNotKept)
            ++m_modesNotKept;
        if (m_options.fullNames)
            std::fprintf(m_out, "%s -> %s\n", printableName(sourcePath).c_str(),
                         printableName(targetPath).c_str());
        else if (!m_options.quiet)
            std::fprintf(m_out, "%s\n", printableName(sourcePath).c_str());
        break;
    case FileCopier::Status::NotRegular:
        break;
    case FileCopier::Status::LinkNotKept:
        ++m_linksNotKept;
        break;
    case FileCopier::Status::ReadFailed:
        reportFailure(sourcePath, outcome.errorNumber);
        break;
    case FileCopier::Status::WriteFailed:
        reportFailure(targetPath, outcome.errorNumber);
        break;
    }
}

void Xcopy::copyEntry(Folder& folder, const std::string& name, unsigned char type) {
    const std::string sourcePath = m_plan.sourcePrefix + folder.relative + name;
    if (type != DT_REG && type != DT_LNK) {
        reportNote("通常のファイルではないのでコピーしません - " + sourcePath);
        return;
    }
    bool isLink = type == DT_LNK;
    ++m_found;

    const std::string targetPath = targetPathOf(folder, name);
    struct stat target;
    // A folder this run made holds no older files: one lookup per file saved on fresh copies.
    const bool targetExists =
        folder.targetFd >= 0 && !folder.targetCreated &&
        ::fstatat(folder.targetFd, name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0;
    // The source's times matter only against an existing copy or a /D date; a new copy reads
    // them from the opened file, so a fresh copy costs one lookup less per file.
    struct stat source {};
    if (targetExists || m_options.changedSince) {
        if (::fstatat(folder.sourceFd, name.c_str(), &source, AT_SYMLINK_NOFOLLOW) != 0) {
            reportFailure(sourcePath, errno);
            return;
        }
        if (!S_ISREG(source.st_mode) && !S_ISLNK(source.st_mode))
            return; // replaced since the folder was listed
        isLink = S_ISLNK(source.st_mode);
    }
    if (!admits(source, targetPath, targetExists ? &target : nullptr))
        return;

    if (m_options.listOnly) {
        ++m_copied;
        if (!m_options.quiet)
            std::fprintf(m_out, "%s\n", printableName(sourcePath).c_str());
        return;
    }
    if (!ensureTarget(folder) || m_options.foldersOnly)
        return;
    transfer(folder.sourceFd, name, isLink, folder.targetFd, name, sourcePath, targetPath);
}

bool Xcopy::keepsName(const Folder& folder, const std::string& name, int sourceDir,
                      std::unordered_map<std::string, std::string>& folded) {
    if (!m_targetFacts.windowsNames() && m_targetFacts.maxFileSize() == 0)
        return true;
    const std::string sourcePath = m_plan.sourcePrefix + folder.relative + name;
    struct stat st {};
    if (sourceDir >= 0 && m_targetFacts.maxFileSize() != 0)
        (void)::fstatat(sourceDir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    std::string why = m_targetFacts.refusal(name, static_cast<unsigned long long>(st.st_size));
    if (why.empty() && m_targetFacts.windowsNames()) {
        // "A.txt" and "a.txt" become one file there: the second would silently replace the first.
        const auto [taken, isNew] = folded.emplace(foldedName(name), name);
        if (!isNew)
            why = "大文字と小文字の違いしかない名前 (" + printableName(taken->second) +
                  ") と同じファイルになります";
    }
    if (why.empty())
        return true;
    reportFailureLine(why + " - " + printableName(sourcePath));
    return false;
}

void Xcopy::copyFolder(Folder& folder) {
    std::vector<FolderEntry> entries;
    int error = 0;
    if (!listSorted(folder.sourceFd, entries, error)) {
        reportFailure(m_plan.sourcePrefix + folder.relative, error);
        return;
    }
    folder.sourceEmpty = entries.empty();

    std::vector<std::string> subfolders;
    std::unordered_map<std::string, std::string> folded; // names taken, as the target folds them
    for (const FolderEntry& entry : entries) {
        if (m_stop)
            return;
        unsigned char type = entry.type;
        if (type == DT_UNKNOWN) { // file systems that do not give types in listings
            struct stat st;
            if (::fstatat(folder.sourceFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISDIR(st.st_mode)   ? DT_DIR
                       : S_ISREG(st.st_mode) ? DT_REG
                       : S_ISLNK(st.st_mode) ? DT_LNK
                                             : DT_UNKNOWN;
        }
        const bool isFolder = type == DT_DIR;
        const CopySelection::Verdict verdict =
            isFolder ? m_selection->folder(folder.relative, entry.name)
                     : m_selection->file(folder.relative, entry.name);
        if (verdict == CopySelection::Verdict::Hidden)
            ++m_hiddenLeftOut;
        if (verdict != CopySelection::Verdict::Taken)
            continue;
        if (isFolder) {
            if (keepsName(folder, entry.name, -1, folded))
                subfolders.push_back(entry.name);
        } else if (keepsName(folder, entry.name, folder.sourceFd, folded)) {
            copyEntry(folder, entry.name, type);
        }
    }

    for (const std::string& name : subfolders) {
        if (m_stop)
            return;
        const std::string relative = folder.relative + name + "/";
        // Every level holds a frame of this walk: a tree planted thousands of levels deep would
        // overflow the stack. Below the length no path may have, the system's own answer stops it.
        if (relative.size() > PATH_MAX) {
            reportFailure(m_plan.sourcePrefix + relative, ENAMETOOLONG);
            continue;
        }
        Folder child;
        child.parent = &folder;
        child.name = name;
        child.relative = relative;
        child.sourceFd = ::openat(folder.sourceFd, name.c_str(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child.sourceFd < 0) {
            if (errno != ELOOP && errno != ENOTDIR) // replaced by a link or a file meanwhile
                reportFailure(m_plan.sourcePrefix + relative, errno);
            continue;
        }
        struct stat st;
        if (m_targetKnown && ::fstat(child.sourceFd, &st) == 0 && st.st_dev == m_targetDevice &&
            st.st_ino == m_targetInode) {
            closeFolder(
                child); // the destination itself, reached another way: never copy into itself
            continue;
        }
        openExistingTarget(child);
        if (m_options.emptyFolders && !m_options.listOnly)
            ensureTarget(child);
        if (!m_stop)
            copyFolder(child);
        if (child.sourceEmpty && child.targetFd < 0 && !m_options.emptyFolders &&
            !m_options.listOnly && !m_stop)
            ++m_foldersNotMade;
        closeFolder(child);
    }
}

void Xcopy::copySingleFileTo(const std::string& targetPath) {
    const std::string sourcePath = m_plan.sourcePrefix + m_plan.pattern;
    const auto slash = targetPath.rfind('/');
    const std::string targetFolder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : targetPath.substr(0, slash));
    const std::string targetName =
        slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
    const UniqueFd sourceFolder(
        ::open(m_plan.sourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const int sourceDir = sourceFolder.get();
    if (sourceDir < 0) {
        reportFailure(m_plan.sourceFolder, errno);
        return;
    }
    struct stat source;
    if (::fstatat(sourceDir, m_plan.pattern.c_str(), &source, AT_SYMLINK_NOFOLLOW) != 0) {
        reportFailure(sourcePath, errno);
        return;
    }
    ++m_found;
    struct stat target;
    const bool targetExists = ::lstat(targetPath.c_str(), &target) == 0;
    if (targetExists && m_options.onlyNewer)
        m_timeResolution = coarserResolution(fileSystemOf(sourceDir).timeResolutionNs,
                                             fileSystemOfPath(targetFolder).timeResolutionNs);
    if (admits(source, targetPath, targetExists ? &target : nullptr)) {
        if (m_options.listOnly) {
            ++m_copied;
            if (!m_options.quiet)
                std::fprintf(m_out, "%s\n", printableName(sourcePath).c_str());
        } else if (const int error = makeFolders(targetFolder); error != 0) {
            reportFailure(targetFolder, error);
        } else if (!m_options.foldersOnly) {
            const UniqueFd targetDir(
                ::open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!targetDir)
                reportFailure(targetFolder, errno);
            else
                transfer(sourceDir, m_plan.pattern, S_ISLNK(source.st_mode), targetDir.get(),
                         targetName, sourcePath, targetPath);
        }
    }
}

int Xcopy::run() {
    auto finish = [this](int code) {
        if (m_hiddenLeftOut > 0)
            std::fprintf(
                m_out,
                "隠しファイル・フォルダー %ld 個をコピーしませんでした (/H でコピーします)\n",
                m_hiddenLeftOut);
        if (m_modesNotKept > 0 || m_linksNotKept > 0) {
            std::string kept = "コピー先のファイルシステムが保持できないもの:";
            if (m_modesNotKept > 0)
                kept += " アクセス権 (" + std::to_string(m_modesNotKept) + " 個のファイル)";
            if (m_linksNotKept > 0)
                kept += " シンボリックリンク (" + std::to_string(m_linksNotKept) +
                        " 個、コピーしませんでした)";
            std::fprintf(m_out, "%s\n", kept.c_str());
        }
        if (m_foldersNotMade > 0)
            std::fprintf(m_out, "空のフォルダー %ld 個を作成しませんでした (/E で作成します)\n",
                         m_foldersNotMade);
        std::fprintf(
            m_out, m_options.listOnly ? "%ld 個のファイル\n" : "%ld 個のファイルをコピーしました\n",
            m_copied);
        std::fflush(m_out);
        return code;
    };

    std::string error;
    ExcludeList exclude;
    if (!exclude.load(m_options.excludeFiles, error)) {
        reportNote(error);
        return finish(4);
    }
    m_plan = CopyPlanner::plan(m_options);
    if (m_plan.problem != CopyPlan::Problem::None) {
        reportNote(m_plan.message);
        return finish(4);
    }
    m_selection.emplace(m_options, m_plan, std::move(exclude));
    // In a destination others may write, a link another user planted is not followed: a copy
    // run as root would write wherever it points.
    if (const std::string link = untrustedLink(m_plan.destination); !link.empty()) {
        reportNote(untrustedLinkText(link));
        return finish(4);
    }
    // The file system the copies land on: that of the destination, or of the nearest folder of
    // it that exists, on which it will be made.
    for (std::string folder = m_plan.destination;;) {
        struct stat st;
        if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            m_targetFacts = fileSystemOfPath(folder);
            break;
        }
        const auto slash = folder.rfind('/');
        if (folder == "." || folder == "/")
            break;
        folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    }

    if (!m_plan.destinationIsFolder) {
        copySingleFileTo(m_plan.destination);
    } else {
        Folder top;
        top.sourceFd = ::open(m_plan.sourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (top.sourceFd < 0) {
            reportNote("ファイルが見つかりません - " + m_options.source);
            return finish(4);
        }
        openExistingTarget(top);
        // Times are compared in the steps that both file systems keep: a copy on a disk that
        // keeps whole seconds would otherwise look older than its source on every run.
        if (top.targetFd >= 0 && m_options.onlyNewer)
            m_timeResolution = coarserResolution(fileSystemOf(top.sourceFd).timeResolutionNs,
                                                 m_targetFacts.timeResolutionNs);
        if (top.targetFd < 0 && top.targetProblem != 0) {
            reportFailure(m_plan.destination, top.targetProblem);
        } else {
            if (m_options.emptyFolders && !m_options.listOnly)
                ensureTarget(top);
            if (!m_stop)
                copyFolder(top);
        }
        closeFolder(top);
    }

    if (m_failures > 0)
        return finish(5);
    if (m_found == 0) {
        reportNote("ファイルが見つかりません - " + m_plan.pattern);
        return finish(1);
    }
    return finish(0);
}

} // namespace trevane
