#pragma once

#include "CopyPlan.h"
#include "CopySelection.h"
#include "CopyTreeWalk.h"
#include "FileSystemFacts.h"
#include "FileCopier.h"
#include "FileJobs.h"
#include "XcopyCommandLine.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace trevane {

// How an xcopy run is driven beside its command line.
struct XcopyTuning {
    // Set (by a signal handler) to stop the run: files in flight are given up and removed, no
    // further file is started, and run() returns 5 without the count lines. Outlives the run.
    const std::atomic<bool>* stop = nullptr;
    // Files in flight at once: 0 lets the destination decide (Xcopy::kFilesInFlight on network
    // and FUSE file systems, one elsewhere).
    unsigned filesInFlight = 0;
};

// One xcopy run: copies what the options ask for and prints, to `out`, each copied file's
// source path (with /F "source -> destination"), then the count line
// "N 個のファイルをコピーしました", before which lines count what was left out for want of
// /H (dot files and folders) and of /E (empty folders), and what the destination's file system
// could not keep (permission bits, links: no failure). A name or size that file system refuses
// (FAT, exFAT, NTFS), or two names it would fold into one, is a failure of that file, named
// with the reason. Problems are printed to `err`, after
// flushing `out`, so that a reader of both through one pipe sees them in order.
//
// Exit codes: 0 files were found (and copied, or skipped as up to date), 1 no file matched,
// 4 the source is missing or the request makes no sense (copy onto itself, into itself, an
// unreadable /EXCLUDE list), 5 a file or folder could not be read or written. Without /C the
// first such failure ends the run; with /C the run goes on and still ends with 5, so a
// failure is never reported as success.
//
// Symbolic links inside the source are copied as links and never followed, so a link cannot
// lead the copy out of the source tree or round in a loop; the source and destination named
// on the command line may themselves be links to folders. In the destination, existing links
// are replaced, never written through.
//
// On destinations where every file operation waits for a round trip (network shares, FUSE
// disks), several files are in flight at once (FileJobs), with the same files copied, the same
// lines in the same order and the same exit codes as one at a time. A failure without /C stops
// the walk as soon as its line is printed; files already in flight then finish, and only what
// was copied is named. A stop request ends every file in flight, and nothing half-written stays.
class Xcopy : private CopyTreeWalk::Visitor {
public:
    // Files in flight on network and FUSE destinations, unless the tuning says otherwise.
    static constexpr unsigned kFilesInFlight = 8;

    Xcopy(XcopyOptions options, std::FILE* out, std::FILE* err, XcopyTuning tuning = {});
    ~Xcopy() override;
    Xcopy(const Xcopy&) = delete;
    Xcopy& operator=(const Xcopy&) = delete;

    int run();

private:
    // What one file's copy found, printed and counted on the walk's thread in the files' order.
    struct FileReport {
        std::vector<std::pair<bool, std::string>> lines; // (for err, text)
        long copied = 0;
        long modesNotKept = 0;
        long linksNotKept = 0;
        long failures = 0;
        bool stopped = false;
        void note(std::string line) { lines.emplace_back(true, std::move(line)); }
        void failure(std::string line) {
            note(std::move(line));
            ++failures;
        }
    };
    // Duplicates of a folder's descriptors for the files of it in flight, which may still be
    // copied after the walk has left the folder.
    struct FolderHandles {
        UniqueFd source;
        UniqueFd target;
    };
    // One file to copy: an entry of the source tree taken by the walk.
    struct FileTask {
        std::shared_ptr<const FolderHandles> handles; // empty when copied one at a time
        int sourceDir = -1;
        int targetDir = -1;         // -1 while the destination folder is missing
        bool targetCreated = false; // the destination folder was made by this run
        bool decided = false;       // admitted already: copy it
        bool nameFree = false;      // no entry of the destination name was found
        bool isLink = false;
        std::string name;       // in the source folder
        std::string targetName; // in the destination folder
        std::string sourcePath;
        std::string targetPath;
        FileReport report;
    };

    // The walk's questions (CopyTreeWalk::Visitor).
    bool stopped() override { return m_stop || stopRequested(); }
    void hiddenLeftOut() override { ++m_hiddenLeftOut; }
    void file(CopyFolder& folder, const std::string& name, unsigned char type) override;
    bool takesFolder(CopyFolder& folder, const std::string& name) override;
    void entered(CopyFolder& child) override;
    void left(CopyFolder& child) override;
    void unreadable(const std::string& path, int errorNumber) override {
        reportFailure(path, errorNumber);
    }

    // False, with the failure reported, when the destination's file system cannot hold the
    // entry `name` of `folder` (a name or size it refuses, or one that folds onto a name taken
    // in the folder); `sourceDir` is -1 for a folder.
    bool keepsName(CopyFolder& folder, const std::string& name, int sourceDir);
    // `type` is the entry's d_type (DT_REG, DT_LNK or another kind, which is not copied).
    void copyEntry(CopyFolder& folder, const std::string& name, unsigned char type);
    // Looks at the destination entry (and at the source where that matters) and decides
    // whether the file is copied; what it finds goes into the task's report. Runs on any thread.
    bool decide(FileTask& task) const;
    // Copies an admitted file with `copier`; runs on any thread.
    void transfer(FileTask& task, FileCopier& copier) const;
    // Gives the task descriptors of `folder` of its own; false (reported) when none are left.
    bool holdFolder(const CopyFolder& folder, FileTask& task);
    // Puts the task in flight; its report is committed in its place.
    void submit(std::shared_ptr<FileTask> task);
    // Prints and counts a report (on the walk's thread, in the files' order).
    void commit(FileReport& report);
    // Commits a report now, or in its place after the files in flight.
    void deliver(FileReport report);
    void copySingleFileTo(const std::string& targetPath);
    bool ensureTarget(CopyFolder& folder);
    bool createTopTarget(CopyFolder& folder);
    // Decides whether the source entry goes over the destination entry; false means skip it
    // (a failure has then been reported when it is one). `source` need only be filled in when
    // `target` is given or a /D date is set.
    bool admits(const struct stat& source, const std::string& targetPath,
                const struct stat* target, FileReport& report) const;
    bool stopRequested() const {
        return m_tuning.stop != nullptr && m_tuning.stop->load(std::memory_order_relaxed);
    }

    void reportFailure(const std::string& path, int errorNumber);
    void reportFailureLine(const std::string& line);
    void reportNote(const std::string& line);
    std::string targetPathOf(const CopyFolder& folder, const std::string& name) const;

    XcopyOptions m_options;
    std::FILE* m_out;
    std::FILE* m_err;
    CopyPlan m_plan;
    std::optional<CopySelection> m_selection; // set once the plan is known
    std::optional<CopyTreeWalk> m_walk;       // set with the selection, for a folder's copy
    XcopyTuning m_tuning;
    mode_t m_creationMask;
    FileCopier::ModesKept m_modesKept{-1};
    std::vector<std::unique_ptr<FileCopier>> m_copiers; // one per thread that copies
    std::unique_ptr<FileJobs> m_jobs;                   // with several files in flight
    std::shared_ptr<const FolderHandles> m_handles;     // of the folder whose files go out
    long long m_timeResolution = 1; // nanoseconds in which /D compares times

    long m_found = 0;
    long m_copied = 0;
    long m_failures = 0;
    long m_hiddenLeftOut = 0;  // dot files and folders left out without /H
    long m_foldersNotMade = 0; // empty folders, not made without /E
    long m_modesNotKept = 0;   // copies whose permission bits the destination did not take
    long m_linksNotKept = 0;   // links the destination's file system cannot hold
    FileSystemFacts m_targetFacts; // of the file system the copies land on
    bool m_stop = false;
    bool m_walkReport = false;  // commit() counts a report of the walk's own thread
    bool m_fileStopped = false; // a file in flight stopped the copy (a failure without /C)
};

} // namespace trevane
