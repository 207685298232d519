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

Xcopy::Xcopy(XcopyOptions options, std::FILE* out, std::FILE* err, XcopyTuning tuning)
    : m_options(std::move(options)), m_out(out), m_err(err), m_tuning(tuning),
      m_creationMask(currentUmask()) {
    m_copiers.push_back(std::make_unique<FileCopier>(m_creationMask, m_tuning.stop, 0, &m_modesKept));
}

Xcopy::~Xcopy() = default;

void Xcopy::commit(FileReport& report) {
    for (const auto& [toErr, line] : report.lines) {
        if (toErr) {
            std::fflush(m_out);
            std::fprintf(m_err, "%s\n", printableName(line).c_str());
            std::fflush(m_err);
        } else {
            std::fprintf(m_out, "%s\n", line.c_str());
        }
    }
    m_copied += report.copied;
    m_modesNotKept += report.modesNotKept;
    m_linksNotKept += report.linksNotKept;
    m_failures += report.failures;
    if ((report.failures > 0 && !m_options.continueOnError) || report.stopped) {
        m_stop = true;
        // Files after this one not yet begun are not begun: one at a time, the copy would have
        // ended here. (A report of the walk's own thread comes after every file submitted.)
        if (m_jobs && !m_walkReport) {
            m_jobs->dropWaiting();
            m_fileStopped = true;
        }
    }
}

void Xcopy::deliver(FileReport report) {
    if (report.lines.empty() && report.copied == 0 && report.failures == 0 && !report.stopped)
        return;
    if (!m_jobs)
        return commit(report);
    // The counts and the stop are the walk's at once; the lines wait for their place.
    FileReport counted;
    std::swap(counted.lines, report.lines);
    m_walkReport = true;
    commit(report);
    m_walkReport = false;
    // Lines the walk found after a file in flight that stopped the copy are not printed: one
    // at a time, the walk would not have got there.
    m_jobs->submitDone([this, lines = std::move(counted)]() mutable {
        if (!m_fileStopped)
            commit(lines);
    });
}

void Xcopy::reportNote(const std::string& line) {
    FileReport report;
    report.note(line);
    deliver(std::move(report));
}

void Xcopy::reportFailureLine(const std::string& line) {
    FileReport report;
    report.failure(line);
    deliver(std::move(report));
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
                   const struct stat* target, FileReport& report) const {
    if (!m_selection->changedSince(source.st_mtim))
        return false;
    if (m_options.onlyExisting && target == nullptr)
        return false;
    if (target == nullptr)
        return true;
    if (m_options.onlyNewer && !isNewerAt(source.st_mtim, target->st_mtim, m_timeResolution)) {
        // The same time with another size is a copy that never got its data to the disk (a
        // crash after the times were set): copying it again beats skipping it for ever.
        // A copy that still carries the unfinished mark was cut short, whatever its time; so
        // was an empty one of a file with data (cut before the mark was set).
        const bool regular = S_ISREG(source.st_mode) && S_ISREG(target->st_mode);
        const bool unfinished =
            regular && ((!isNewerAt(target->st_mtim, source.st_mtim, m_timeResolution) &&
                         source.st_size != target->st_size) ||
                        FileCopier::unfinished(*target) ||
                        (target->st_size == 0 && source.st_size > 0));
        if (!unfinished)
            return false;
    }
    if (S_ISDIR(target->st_mode)) {
        report.failure(targetPath + ": " + ErrorText::of(EISDIR));
        return false;
    }
    if (!m_options.overwrite) {
        // Without /Y the program would ask; nobody can answer, so the answer is no.
        report.note("上書きしませんでした (/Y がありません) - " + targetPath);
        return false;
    }
    if (S_ISREG(target->st_mode) && (target->st_mode & S_IWUSR) == 0 &&
        !m_options.overwriteReadOnly) {
        report.failure("読み取り専用のファイルです (/R がありません) - " + targetPath);
        return false;
    }
    return true;
}

void Xcopy::transfer(FileTask& task, FileCopier& copier) const {
    FileReport& report = task.report;
    if (stopRequested()) {
        report.stopped = true;
        return;
    }
    const FileCopier::Outcome outcome =
        task.isLink ? copier.copySymlink(task.sourceDir, task.name.c_str(), task.targetDir,
                                         task.targetName.c_str())
                    : copier.copyFile(task.sourceDir, task.name.c_str(), task.targetDir,
                                      task.targetName.c_str(), m_options.keepAttributes,
                                      task.nameFree);
    switch (outcome.status) {
    case FileCopier::Status::Copied:
        ++report.copied;
        if (outcome.modeNotKept)
            ++report.modesNotKept;
        if (m_options.fullNames)
            report.lines.emplace_back(false, printableName(task.sourcePath) + " -> " +
                                                 printableName(task.targetPath));
        else if (!m_options.quiet)
            report.lines.emplace_back(false, printableName(task.sourcePath));
        break;
    case FileCopier::Status::NotRegular:
        break;
    case FileCopier::Status::LinkNotKept:
        ++report.linksNotKept;
        break;
    case FileCopier::Status::ReadFailed:
        report.failure(task.sourcePath + ": " + ErrorText::of(outcome.errorNumber));
        break;
    case FileCopier::Status::WriteFailed:
        report.failure(task.targetPath + ": " + ErrorText::of(outcome.errorNumber));
        break;
    case FileCopier::Status::Stopped:
        report.stopped = true;
        break;
    }
}

bool Xcopy::decide(FileTask& task) const {
    struct stat target;
    // A folder this run made holds no older files: one lookup per file saved on fresh copies.
    bool targetExists = false;
    task.nameFree = true;
    if (task.targetDir >= 0 && !task.targetCreated) {
        targetExists =
            ::fstatat(task.targetDir, task.name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0;
        task.nameFree = !targetExists && errno == ENOENT;
    }
    // The source's times matter only against an existing copy or a /D date; a new copy reads
    // them from the opened file, so a fresh copy costs one lookup less per file.
    struct stat source {};
    if (targetExists || m_options.changedSince) {
        if (::fstatat(task.sourceDir, task.name.c_str(), &source, AT_SYMLINK_NOFOLLOW) != 0) {
            task.report.failure(task.sourcePath + ": " + ErrorText::of(errno));
            return false;
        }
        if (!S_ISREG(source.st_mode) && !S_ISLNK(source.st_mode))
            return false; // replaced since the folder was listed
        task.isLink = S_ISLNK(source.st_mode);
    }
    return admits(source, task.targetPath, targetExists ? &target : nullptr, task.report);
}

void Xcopy::submit(std::shared_ptr<FileTask> task) {
    m_jobs->submit(
        [this, task](unsigned worker) {
            if (task->decided || decide(*task))
                transfer(*task, *m_copiers[worker]);
        },
        [this, task] { commit(task->report); });
}

void Xcopy::copyEntry(CopyFolder& folder, const std::string& name, unsigned char type) {
    auto task = std::make_shared<FileTask>();
    task->name = name;
    task->sourcePath = m_plan.sourcePrefix + folder.relative + name;
    if (type != DT_REG && type != DT_LNK) {
        reportNote("通常のファイルではないのでコピーしません - " + task->sourcePath);
        return;
    }
    task->isLink = type == DT_LNK;
    ++m_found;
    task->targetPath = targetPathOf(folder, name);
    task->sourceDir = folder.source.get();
    task->targetDir = folder.target.get();
    task->targetName = name;
    task->targetCreated = folder.targetCreated;
    // With several files in flight, the files of a folder that is there go out at once: the
    // looks at the destination are the slow part of a run that finds most files up to date.
    if (m_jobs && folder.target) {
        if (holdFolder(folder, *task))
            submit(std::move(task));
        return;
    }

    // Otherwise the file is decided here: one at a time, or with no destination folder yet
    // to look in, which is made for the first file that goes there.
    const bool admitted = decide(*task);
    deliver(std::move(task->report));
    task->report = {};
    if (!admitted)
        return;
    if (m_options.listOnly) {
        FileReport listed;
        ++listed.copied;
        if (!m_options.quiet)
            listed.lines.emplace_back(false, printableName(task->sourcePath));
        return deliver(std::move(listed));
    }
    if (!ensureTarget(folder) || m_options.foldersOnly)
        return;
    task->decided = true;
    task->targetDir = folder.target.get();
    task->targetCreated = folder.targetCreated;
    if (m_jobs) {
        if (holdFolder(folder, *task))
            submit(std::move(task));
        return;
    }
    transfer(*task, *m_copiers[0]);
    commit(task->report);
}

bool Xcopy::holdFolder(const CopyFolder& folder, FileTask& task) {
    // The files in flight hold the folder's descriptors of their own: the walk may leave the
    // folder before they are done.
    if (!m_handles || (m_handles->target.get() < 0) != !folder.target) {
        auto handles = std::make_shared<FolderHandles>();
        handles->source.reset(::fcntl(folder.source.get(), F_DUPFD_CLOEXEC, 0));
        if (folder.target)
            handles->target.reset(::fcntl(folder.target.get(), F_DUPFD_CLOEXEC, 0));
        if (!handles->source || (folder.target && !handles->target)) {
            reportFailure(task.sourcePath, errno);
            return false;
        }
        m_handles = std::move(handles);
    }
    task.handles = m_handles;
    task.sourceDir = m_handles->source.get();
    task.targetDir = m_handles->target.get();
    return true;
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
    m_handles.reset();
    if (m_options.emptyFolders && !m_options.listOnly)
        ensureTarget(child);
}

void Xcopy::left(CopyFolder& child) {
    m_handles.reset();
    if (child.sourceEmpty && !child.target && !m_options.emptyFolders && !m_options.listOnly &&
        !m_stop)
        ++m_foldersNotMade;
}

void Xcopy::copySingleFileTo(const std::string& targetPath) {
    FileTask task;
    task.name = m_plan.pattern;
    task.sourcePath = m_plan.sourcePrefix + m_plan.pattern;
    task.targetPath = targetPath;
    const auto slash = targetPath.rfind('/');
    const std::string targetFolder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : targetPath.substr(0, slash));
    task.targetName = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
    const UniqueFd sourceFolder(
        ::open(m_plan.sourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    task.sourceDir = sourceFolder.get();
    if (task.sourceDir < 0) {
        reportFailure(m_plan.sourceFolder, errno);
        return;
    }
    struct stat source;
    if (::fstatat(task.sourceDir, m_plan.pattern.c_str(), &source, AT_SYMLINK_NOFOLLOW) != 0) {
        reportFailure(task.sourcePath, errno);
        return;
    }
    ++m_found;
    task.isLink = S_ISLNK(source.st_mode);
    struct stat target;
    const bool targetExists = ::lstat(targetPath.c_str(), &target) == 0;
    task.nameFree = !targetExists && errno == ENOENT;
    if (targetExists && m_options.onlyNewer)
        m_timeResolution = coarserResolution(fileSystemOf(task.sourceDir).timeResolutionNs,
                                             fileSystemOfPath(targetFolder).timeResolutionNs);
    const bool admitted = admits(source, targetPath, targetExists ? &target : nullptr, task.report);
    commit(task.report);
    task.report = {};
    if (!admitted)
        return;
    if (m_options.listOnly) {
        ++m_copied;
        if (!m_options.quiet)
            std::fprintf(m_out, "%s\n", printableName(task.sourcePath).c_str());
    } else if (const int error = makeFolders(targetFolder); error != 0) {
        reportFailure(targetFolder, error);
    } else if (!m_options.foldersOnly) {
        const UniqueFd targetDir(::open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!targetDir) {
            reportFailure(targetFolder, errno);
            return;
        }
        task.targetDir = targetDir.get();
        transfer(task, *m_copiers[0]);
        commit(task.report);
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
        const unsigned inFlight = m_tuning.filesInFlight != 0 ? m_tuning.filesInFlight
                                  : m_targetFacts.latencyBound() ? kFilesInFlight
                                                                 : 1;
        if (inFlight > 1 && !m_options.listOnly && !m_options.foldersOnly) {
            for (unsigned worker = 1; worker < inFlight; ++worker)
                m_copiers.push_back(std::make_unique<FileCopier>(m_creationMask, m_tuning.stop,
                                                                 worker, &m_modesKept));
            m_jobs = std::make_unique<FileJobs>(inFlight);
        }
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
        if (m_jobs) {
            if (stopRequested())
                m_jobs->dropWaiting();
            m_jobs->drain();
        }
    }
    // Stopped from outside: what was copied has been named, and nothing more is said.
    if (stopRequested()) {
        std::fflush(m_out);
        return 5;
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
