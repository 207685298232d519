#include "engine/RestorePlan.h"

#include "engine/RestoreTarget.h"

#include "FileSystemFacts.h"
#include "NamePattern.h"

#include <set>
#include <unordered_set>

namespace trevane {

namespace {

using Kind = RestoreDecision::Kind;
using Entry = RestoreTarget::Entry;

// A name as the user gave it, as a member's path: without "./" before and "/" after.
std::string asPath(std::string name) {
    for (;;) {
        if (name.starts_with("./"))
            name.erase(0, 2);
        else if (name.size() > 1 && name.back() == '/')
            name.pop_back();
        else
            return name == "." ? std::string() : name;
    }
}

bool climbs(const std::string& path) {
    return path == ".." || path.starts_with("../") || path.ends_with("/..") ||
           path.find("/../") != std::string::npos;
}

std::string lastPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Which members the names select. Every step is a set look-up per member and folder level, so
// a choice of thousands in an archive of a hundred thousand members stays quick.
std::vector<bool> select(const std::vector<BackupMember>& members,
                         const std::vector<std::string>& names, bool exactPaths,
                         std::vector<std::string>& badNames) {
    if (names.empty())
        return std::vector<bool>(members.size(), true);
    std::unordered_set<std::string> paths; // every member's path and every folder above one
    for (const BackupMember& member : members)
        for (std::size_t slash = member.path.size(); slash != std::string::npos;
             slash = slash ? member.path.rfind('/', slash - 1) : std::string::npos)
            if (!paths.insert(member.path.substr(0, slash)).second && slash != member.path.size())
                break;
    std::unordered_set<std::string> wanted; // chosen, with everything below them
    for (const std::string& asked : names) {
        const std::string name = asPath(asked);
        if (climbs(name)) {
            badNames.push_back("「..」を含む名前は復元しません: " + asked);
            continue;
        }
        bool found = name.empty() || paths.contains(name);
        if (found) {
            wanted.insert(name);
        } else if (!exactPaths && NamePattern::hasWildcard(name)) {
            const NamePattern pattern(name);
            const bool anyFolder = name.find('/') == std::string::npos;
            for (const BackupMember& member : members)
                if (pattern.matches(anyFolder ? lastPart(member.path) : member.path)) {
                    wanted.insert(member.path);
                    found = true;
                }
        }
        if (!found)
            badNames.push_back("一致するものがありません: " + asked);
    }
    std::vector<bool> chosen(members.size(), false);
    for (std::size_t i = 0; i < members.size() && !wanted.empty(); ++i) {
        const std::string& path = members[i].path;
        if (wanted.contains(""))
            chosen[i] = true;
        for (std::size_t end = path.size(); !chosen[i] && end != std::string::npos;
             end = end ? path.rfind('/', end - 1) : std::string::npos)
            chosen[i] = wanted.contains(path.substr(0, end));
    }
    return chosen;
}

struct timespec timeOf(const BackupMember& member) {
    return {static_cast<time_t>(member.mtime), member.mtimeNs};
}

} // namespace

RestorePlan RestorePlan::make(const BackupListing& listing, const std::vector<std::string>& names,
                              bool exactPaths, bool overwrite, const RestoreTarget& target) {
    RestorePlan plan;
    const std::vector<bool> chosen = select(listing.members, names, exactPaths, plan.badNames);
    const UniqueFd root = target.openFolder({}, false);
    const long long targetResolution = root ? fileSystemOf(root.get()).timeResolutionNs : 1;
    std::set<std::string> failedFolders; // told once, with everything below them
    for (std::size_t i = 0; i < listing.members.size(); ++i) {
        if (!chosen[i])
            continue;
        const BackupMember& member = listing.members[i];
        RestoreDecision d;
        d.member = i;
        d.folder = member.isFolder();
        const auto decide = [&d](Kind kind, std::string reason) {
            d.kind = kind;
            d.reason = std::move(reason);
        };
        if (!member.refusal.empty()) {
            decide(Kind::Refused, member.refusal);
        } else if (member.type == BackupMember::Type::Other) {
            decide(Kind::Refused, "ファイルでもフォルダでもリンクでもないので復元しません");
        } else {
            const Entry entry = target.look(member.path);
            const bool file = entry.kind == Entry::Kind::File;
            if (entry.kind == Entry::Kind::Blocked) {
                decide(Kind::Failed, entry.blockedAt + " がフォルダでないので復元できません");
                d.counted = failedFolders.insert(entry.blockedAt).second;
            } else if (d.folder) {
                if (entry.kind != Entry::Kind::Missing && entry.kind != Entry::Kind::Folder) {
                    decide(Kind::Failed, "フォルダの名前にフォルダでないものがあるので作れません");
                    failedFolders.insert(member.path);
                }
            } else if (entry.kind == Entry::Kind::Folder) {
                decide(Kind::Failed, "同じ名前のフォルダがあるので復元できません");
            } else if (entry.kind == Entry::Kind::Other) {
                decide(Kind::Failed,
                       "同じ名前に FIFO などファイルでないものがあるので復元できません");
            } else if (member.isLink() && entry.kind == Entry::Kind::Link &&
                       entry.linkTarget == member.linkTarget) {
                // Already as the backup has it, whatever its own time: made again in place.
            } else if (entry.kind != Entry::Kind::Missing) {
                const long long resolution =
                    coarserResolution(member.timeResolutionNs, targetResolution);
                const bool newer = isNewerAt(entry.st.st_mtim, timeOf(member), resolution);
                const bool older = isNewerAt(timeOf(member), entry.st.st_mtim, resolution);
                if (newer && !overwrite)
                    decide(Kind::KeepNewer, "復元先のほうが新しいのでそのままにしました");
                else if (file && (entry.st.st_mode & 0222) == 0 && !overwrite)
                    decide(Kind::KeepReadOnly, "読み取り専用なのでそのままにしました");
                // A file as the backup has it is replaced without keeping a second copy.
                d.setsAside = newer || older || !file || member.isLink() ||
                              static_cast<std::uint64_t>(entry.st.st_size) != member.size;
            }
        }
        if (d.kind != Kind::Restore)
            d.setsAside = false;
        plan.decisions.push_back(std::move(d));
    }
    return plan;
}

std::size_t RestorePlan::files(RestoreDecision::Kind kind) const {
    std::size_t n = 0;
    for (const RestoreDecision& d : decisions)
        n += d.kind == kind && d.counted &&
             (!d.folder || kind == Kind::Failed || kind == Kind::Refused);
    return n;
}

std::size_t RestorePlan::settingAside() const {
    std::size_t n = 0;
    for (const RestoreDecision& d : decisions)
        n += d.setsAside;
    return n;
}

} // namespace trevane
