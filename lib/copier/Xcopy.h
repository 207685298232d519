#pragma once

#include "CopyPlan.h"
#include "CopySelection.h"
#include "CopyTreeWalk.h"
#include "FileSystemFacts.h"
#include "FileCopier.h"
#include "XcopyCommandLine.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace trevane {

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
class Xcopy : private CopyTreeWalk::Visitor {
public:
    Xcopy(XcopyOptions options, std::FILE* out, std::FILE* err);
    Xcopy(const Xcopy&) = delete;
    Xcopy& operator=(const Xcopy&) = delete;

    int run();

private:
    // The walk's questions (CopyTreeWalk::Visitor).
    bool stopped() override { return m_stop; }
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
    void copySingleFileTo(const std::string& targetPath);
    bool ensureTarget(CopyFolder& folder);
    bool createTopTarget(CopyFolder& folder);
    // Decides whether the source entry goes over the destination entry; false means skip it
    // (a failure has then been reported when it is one). `source` need only be filled in when
    // `target` is given or a /D date is set.
    bool admits(const struct stat& source, const std::string& targetPath,
                const struct stat* target);
    void transfer(int sourceDir, const std::string& name, bool isLink, int targetDir,
                  const std::string& targetName, const std::string& sourcePath,
                  const std::string& targetPath);

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
    mode_t m_creationMask;
    FileCopier m_copier;
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
};

} // namespace trevane
