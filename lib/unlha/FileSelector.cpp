#include "FileSelector.h"

#include "PathConventions.h"

#include "NamePattern.h"
#include "PathRules.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <system_error>
#include <unistd.h>
#include <unordered_set>

namespace unlha {

FileSelector::FileSelector(std::string baseFolder, bool keepFolders, const std::string& skip)
    : m_base(std::move(baseFolder)), m_keepFolders(keepFolders) {
    struct stat st;
    if (!skip.empty() && ::stat(skip.c_str(), &st) == 0) {
        m_haveSkip = true;
        m_skipDev = st.st_dev;
        m_skipIno = st.st_ino;
    }
}

bool FileSelector::take(const std::string& diskPath, const std::string& archivePath,
                        const struct stat& st, std::vector<SourceEntry>& out) {
    if (m_haveSkip && st.st_dev == m_skipDev && st.st_ino == m_skipIno)
        return false;
    // Devices, pipes and sockets are taken too, so that the compressor, which opens only
    // regular files, names each one it leaves out and the command says files were left out.
    SourceEntry e;
    e.diskPath = diskPath;
    e.archivePath = archivePath;
    e.info = st;
    if (S_ISLNK(st.st_mode)) {
        std::string target(static_cast<size_t>(std::max<off_t>(st.st_size, 255)) + 1, '\0');
        ssize_t n = ::readlink(diskPath.c_str(), target.data(), target.size());
        if (n < 0)
            return false;
        target.resize(static_cast<size_t>(n));
        e.linkTarget = target;
    }
    out.push_back(std::move(e));
    return true;
}

Status FileSelector::walk(const std::string& diskFolder, const std::string& archiveFolder,
                          const trevane::NamePattern& pattern, bool recurse,
                          bool folderEntries, std::vector<SourceEntry>& out) {
    // A folder that cannot be read (no permission, a path longer than the system takes) would
    // go into the archive empty or not at all, its files missing from the backup without a
    // word: that fails the command, as an unreadable file does.
    DIR* dir = ::opendir(diskFolder.empty() ? "." : diskFolder.c_str());
    if (!dir)
        return Status(Code::Io, "cannot read folder " + diskFolder + ": " +
                                    std::generic_category().message(errno));
    std::vector<std::string> names;
    while (dirent* d = ::readdir(dir)) {
        std::string n = d->d_name;
        if (n != "." && n != "..")
            names.push_back(std::move(n));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string disk = diskFolder + name;
        std::string member = archiveFolder + name;
        struct stat st;
        if (::lstat(disk.c_str(), &st) != 0) {
            if (errno == ENOENT)
                continue; // gone since the folder was read
            return Status(Code::Io,
                          "cannot read " + disk + ": " + std::generic_category().message(errno));
        }
        if (S_ISDIR(st.st_mode)) {
            if (!recurse)
                continue;
            if (folderEntries)
                take(disk, member, st, out);
            if (Status s = walk(disk + "/", member + "/", pattern, true, folderEntries, out);
                !s.ok())
                return s;
            continue;
        }
        if (pattern.matches(name))
            take(disk, member, st, out);
    }
    return {};
}

Status FileSelector::select(const std::vector<std::string>& patterns,
                            std::vector<SourceEntry>& out) {
    out.clear();
    std::string base = m_base;
    if (!base.empty()) {
        struct stat st;
        if (::stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return Status(Code::NotFound, "base folder not found: " + base);
        while (base.size() > 1 && base.back() == '/' && base[base.size() - 2] == '/')
            base.pop_back();
    }
    std::vector<std::string> list = patterns;
    if (list.empty())
        list.push_back("*");
    for (std::string pattern : list) {
        pattern = trevane::PathConventions::withoutTrailingSeparators(std::move(pattern));
        std::string folderPart;
        std::string namePart = pattern;
        if (size_t slash = pattern.rfind('/'); slash != std::string::npos) {
            folderPart = pattern.substr(0, slash + 1);
            namePart = pattern.substr(slash + 1);
        }
        const std::string memberFolder = m_keepFolders ? folderPart : std::string();
        struct stat st;
        if (!trevane::NamePattern::hasWildcard(pattern) && ::lstat((base + pattern).c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) {
                // A folder name takes the folder: all of it with folders kept, else its files.
                std::string member = memberFolder + namePart;
                if (m_keepFolders)
                    take(base + pattern, member, st, out);
                if (Status s =
                        walk(base + pattern + "/", m_keepFolders ? member + "/" : std::string(),
                             trevane::NamePattern("*"), m_keepFolders, m_keepFolders, out);
                    !s.ok())
                    return s;
            } else {
                take(base + pattern, memberFolder + namePart, st, out);
            }
            continue;
        }
        if (!trevane::NamePattern::hasWildcard(namePart))
            return Status(Code::NotFound, "file not found: " + base + pattern);
        bool all = namePart == "*" || namePart == "*.*";
        if (Status s = walk(base + folderPart, memberFolder, trevane::NamePattern(namePart),
                            m_keepFolders,
                            m_keepFolders && all, out);
            !s.ok())
            return s;
    }
    // The same member named twice (a file and a pattern that covers it) is taken once.
    std::unordered_set<std::string> seen;
    std::vector<SourceEntry> unique;
    unique.reserve(out.size());
    for (SourceEntry& e : out)
        if (seen.insert(e.archivePath).second)
            unique.push_back(std::move(e));
    out = std::move(unique);
    return {};
}

} // namespace unlha
