#include "CopySelection.h"

namespace trevane {

CopySelection::CopySelection(const XcopyOptions& options, const CopyPlan& plan, ExcludeList exclude)
    : m_pattern(plan.pattern),
      m_excludeBase(plan.sourceFolderAbsolute == "/" ? "/" : plan.sourceFolderAbsolute + "/"),
      m_exclude(std::move(exclude)), m_hiddenFiles(options.hiddenFiles),
      m_subfolders(options.subfolders), m_changedSince(options.changedSince) {}

bool CopySelection::excluded(const std::string& relativePath) const {
    return !m_exclude.empty() && m_exclude.excludes(m_excludeBase + relativePath);
}

CopySelection::Verdict CopySelection::file(const std::string& relative,
                                           const std::string& name) const {
    if (!m_pattern.matches(name))
        return Verdict::Left;
    // Counted, not hidden: a home folder's ~/.ssh and ~/.config are left out this way.
    if (name[0] == '.' && !m_hiddenFiles)
        return Verdict::Hidden;
    return excluded(relative + name) ? Verdict::Left : Verdict::Taken;
}

CopySelection::Verdict CopySelection::folder(const std::string& relative,
                                             const std::string& name) const {
    if (!m_subfolders)
        return Verdict::Left;
    if (name[0] == '.' && !m_hiddenFiles)
        return Verdict::Hidden;
    return excluded(relative + name + "/") ? Verdict::Left : Verdict::Taken;
}

bool CopySelection::changedSince(const struct timespec& mtime) const {
    return !m_changedSince || mtime.tv_sec >= *m_changedSince;
}

} // namespace trevane
