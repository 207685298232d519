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

std::string Xcopy::targetPathOf(const CopyFolder& folder, const std::string& name) const {
    return m_plan.destination + (m_plan.destination == "/" ? "" : "/") + folder.relative + name;
}

bool Xcopy::createTopTarget(CopyFolder& folder) {
    const int error = makeFolders(m_plan.destination);
    if (error == 0) {
        m_walk->openTarget(folder);
        if (folder.target)
            return true;
    }
    // A link to a folder that is not there (a backup disk not mounted) passes mkdir as existing
    // and then cannot be opened: the folder is missing, whatever the link's own name says.
    const int reason = error != 0 ? error : folder.targetProblem;
    reportFailure(m_plan.destination, reason != 0 ? reason : ENOENT);
    return false;
}

bool Xcopy::ensureTarget(CopyFolder& folder) {
    if (folder.target)
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
    if (::mkdirat(folder.parent->target.get(), folder.name.c_str(), 0777) == 0) {
        folder.targetCreated = true;
    } else if (errno != EEXIST) {
        reportFailure(targetPathOf(folder, ""), errno);
        return false;
    }
    m_walk->openTarget(folder);
    if (folder.target)
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

void Xcopy::copyEntry(CopyFolder& folder, const std::string& name, unsigned char type) {
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
        folder.target && !folder.targetCreated &&
        ::fstatat(folder.target.get(), name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0;
    // The source's times matter only against an existing copy or a /D date; a new copy reads
    // them from the opened file, so a fresh copy costs one lookup less per file.
    struct stat source {};
    if (targetExists || m_options.changedSince) {
        if (::fstatat(folder.source.get(), name.c_str(), &source, AT_SYMLINK_NOFOLLOW) != 0) {
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
    transfer(folder.source.get(), name, isLink, folder.target.get(), name, sourcePath, targetPath);
}

bool Xcopy::keepsName(CopyFolder& folder, const std::string& name, int sourceDir) {
    if (!m_targetFacts.windowsNames() && m_targetFacts.maxFileSize() == 0)
        return true;
    const std::string sourcePath = m_plan.sourcePrefix + folder.relative + name;
    struct stat st {};
    if (sourceDir >= 0 && m_targetFacts.maxFileSize() != 0)
        (void)::fstatat(sourceDir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    std::string why = m_targetFacts.refusal(name, static_cast<unsigned long long>(st.st_size));
    if (why.empty() && m_targetFacts.windowsNames()) {
        // "A.txt" and "a.txt" become one file there: the second would silently replace the first.
        const auto [taken, isNew] = folder.foldedNames.emplace(foldedName(name), name);
        if (!isNew)
            why = "大文字と小文字の違いしかない名前 (" + printableName(taken->second) +
                  ") と同じファイルになります";
    }
    if (why.empty())
        return true;
    reportFailureLine(why + " - " + printableName(sourcePath));
    return false;
}

void Xcopy::file(CopyFolder& folder, const std::string& name, unsigned char type) {
    if (keepsName(folder, name, folder.source.get()))
        copyEntry(folder, name, type);
}

bool Xcopy::takesFolder(CopyFolder& folder, const std::string& name) {
    return keepsName(folder, name, -1);
}

void Xcopy::entered(CopyFolder& child) {
    if (m_options.emptyFolders && !m_options.listOnly)
        ensureTarget(child);
}

void Xcopy::left(CopyFolder& child) {
    if (child.sourceEmpty && !child.target && !m_options.emptyFolders && !m_options.listOnly &&
        !m_stop)
        ++m_foldersNotMade;
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
        m_walk.emplace(m_plan, *m_selection, static_cast<CopyTreeWalk::Visitor&>(*this));
        CopyFolder top;
        top.source.reset(::open(m_plan.sourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!top.source) {
            reportNote("ファイルが見つかりません - " + m_options.source);
            return finish(4);
        }
        m_walk->openTarget(top);
        // Times are compared in the steps that both file systems keep: a copy on a disk that
        // keeps whole seconds would otherwise look older than its source on every run.
        if (top.target && m_options.onlyNewer)
            m_timeResolution = coarserResolution(fileSystemOf(top.source.get()).timeResolutionNs,
                                                 m_targetFacts.timeResolutionNs);
        if (!top.target && top.targetProblem != 0) {
            reportFailure(m_plan.destination, top.targetProblem);
        } else {
            if (m_options.emptyFolders && !m_options.listOnly)
                ensureTarget(top);
            if (!m_stop)
                m_walk->walk(top);
        }
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
