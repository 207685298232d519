#include "CopyTreeWalk.h"

#include "FolderEntries.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace trevane {

CopyTreeWalk::CopyTreeWalk(const CopyPlan& plan, const CopySelection& selection, Visitor& visitor)
    : m_plan(plan), m_selection(selection), m_visitor(visitor) {}

void CopyTreeWalk::openTarget(CopyFolder& folder) {
    int fd;
    if (folder.parent == nullptr) {
        fd = ::open(m_plan.destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } else {
        if (!folder.parent->target)
            return;
        fd = ::openat(folder.parent->target.get(), folder.name.c_str(),
                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0) {
        folder.targetProblem = errno == ENOENT ? 0 : (errno == ELOOP ? ENOTDIR : errno);
        return;
    }
    folder.target.reset(fd);
    folder.targetProblem = 0;
    struct stat st;
    if (folder.parent == nullptr && ::fstat(fd, &st) == 0) {
        m_targetDevice = st.st_dev;
        m_targetInode = st.st_ino;
        m_targetKnown = true;
    }
}

void CopyTreeWalk::walk(CopyFolder& top) {
    folder(top);
}

void CopyTreeWalk::folder(CopyFolder& folder) {
    const int sourceFd = folder.source.get();
    std::vector<FolderEntry> entries;
    int error = 0;
    if (!listFolder(sourceFd, entries, error)) {
        m_visitor.unreadable(m_plan.sourcePrefix + folder.relative, error);
        return;
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    folder.sourceEmpty = entries.empty();

    std::vector<std::string> subfolders;
    for (const FolderEntry& entry : entries) {
        if (m_visitor.stopped())
            return;
        unsigned char type = entry.type;
        if (type == DT_UNKNOWN) { // file systems that do not give types in listings
            struct stat st;
            if (::fstatat(sourceFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISDIR(st.st_mode)   ? DT_DIR
                       : S_ISREG(st.st_mode) ? DT_REG
                       : S_ISLNK(st.st_mode) ? DT_LNK
                                             : DT_UNKNOWN;
        }
        const bool isFolder = type == DT_DIR;
        const CopySelection::Verdict verdict = isFolder
                                                   ? m_selection.folder(folder.relative, entry.name)
                                                   : m_selection.file(folder.relative, entry.name);
        if (verdict == CopySelection::Verdict::Hidden)
            m_visitor.hiddenLeftOut();
        if (verdict != CopySelection::Verdict::Taken)
            continue;
        if (!isFolder)
            m_visitor.file(folder, entry.name, type);
        else if (m_visitor.takesFolder(folder, entry.name))
            subfolders.push_back(entry.name);
    }

    for (const std::string& name : subfolders) {
        if (m_visitor.stopped())
            return;
        CopyFolder child;
        child.parent = &folder;
        child.name = name;
        child.relative = folder.relative + name + "/";
        // Below the length no path may have, the system's own answer stops the descent.
        if (child.relative.size() > PATH_MAX) {
            m_visitor.unreadable(m_plan.sourcePrefix + child.relative, ENAMETOOLONG);
            continue;
        }
        child.source.reset(::openat(sourceFd, name.c_str(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!child.source) {
            if (errno != ELOOP && errno != ENOTDIR) // replaced by a link or a file meanwhile
                m_visitor.unreadable(m_plan.sourcePrefix + child.relative, errno);
            continue;
        }
        struct stat st;
        if (m_targetKnown && ::fstat(child.source.get(), &st) == 0 &&
            st.st_dev == m_targetDevice && st.st_ino == m_targetInode)
            continue; // the destination itself, reached another way: never copied into itself
        openTarget(child);
        m_visitor.entered(child);
        if (m_visitor.stopped())
            return;
        this->folder(child);
        m_visitor.left(child);
    }
}

} // namespace trevane
