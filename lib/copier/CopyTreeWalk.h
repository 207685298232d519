#pragma once

#include "CopyPlan.h"
#include "CopySelection.h"
#include "UniqueFd.h"

#include <string>
#include <sys/types.h>
#include <unordered_map>

namespace trevane {

// One folder of the source tree and its counterpart in the destination, as the walk holds
// them. The walk owns both descriptors; they stay open while the folder's entries and
// subfolders are visited.
struct CopyFolder {
    CopyFolder* parent = nullptr;
    std::string name;     // entry name in the parent; empty for the top folder
    std::string relative; // path below the top folder, "" for the top, else "a/b/"
    UniqueFd source;
    UniqueFd target;            // empty while the destination folder is missing or unusable
    int targetProblem = 0;      // errno that made the destination folder unusable
    bool targetCreated = false; // made by this run, so empty but for what this run put there
    bool sourceEmpty = false;   // the source folder holds nothing at all
    // Names taken in the destination folder, as its file system folds them ("A.txt" and
    // "a.txt" are one file on FAT, exFAT and NTFS), mapped to the source name that took them.
    std::unordered_map<std::string, std::string> foldedNames;
};

// The walk over the source tree of a copy row, shared by the copy (xcopy) and its
// verification, so both cover the same entries by the same rules: each folder's entries in
// name order (runs are repeatable and logs read in order), first the files of a folder, then its
// subfolders one by one; the entries the CopySelection takes; symbolic links never followed
// below the top; the destination itself never walked when it lies inside the source; no folder
// deeper than the longest path the system takes (each level holds a frame of the walk, so a tree
// planted thousands of levels deep cannot overflow the stack).
class CopyTreeWalk {
public:
    class Visitor {
    public:
        virtual ~Visitor() = default;
        // Asked before every entry and every subfolder; true ends the walk there.
        virtual bool stopped() = 0;
        // A dot name left out for want of /H.
        virtual void hiddenLeftOut() {}
        // A taken entry of `folder` that is not a folder; `type` is its d_type (DT_REG,
        // DT_LNK, or another kind, which is no file to copy; DT_UNKNOWN when even a look at it
        // failed).
        virtual void file(CopyFolder& folder, const std::string& name, unsigned char type) = 0;
        // A taken subfolder of `folder`, in name order among its files; false leaves it out.
        virtual bool takesFolder(CopyFolder& folder, const std::string& name) {
            (void)folder;
            (void)name;
            return true;
        }
        // The subfolder `child` was opened, with its destination folder where that exists;
        // called before its entries.
        virtual void entered(CopyFolder& child) { (void)child; }
        // Called when the walk of `child` is over, before its descriptors are closed.
        virtual void left(CopyFolder& child) { (void)child; }
        // The source folder `path` (the source prefix and relative path) could not be listed or
        // opened, or lies deeper than a path may: errorNumber says why.
        virtual void unreadable(const std::string& path, int errorNumber) = 0;
    };

    // `plan` and `selection` outlive the walk.
    CopyTreeWalk(const CopyPlan& plan, const CopySelection& selection, Visitor& visitor);

    // Opens `folder`'s existing destination folder (the top one from the plan, where the
    // destination as named may be a link to a folder the user chose; below the top never
    // through a link). A missing folder leaves targetProblem 0; another failure sets it.
    void openTarget(CopyFolder& folder);

    // Walks `top`, whose source is open; its target as openTarget() left it.
    void walk(CopyFolder& top);

private:
    void folder(CopyFolder& folder);

    const CopyPlan& m_plan;
    const CopySelection& m_selection;
    Visitor& m_visitor;
    dev_t m_targetDevice = 0;
    ino_t m_targetInode = 0;
    bool m_targetKnown = false;
};

} // namespace trevane
