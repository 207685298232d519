#include "engine/Restorer.h"

#include "engine/JobCommands.h"
#include "platform/ProcessSpawner.h"

#include "NamePattern.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sys/stat.h>
#include <unordered_map>

namespace trevane {

namespace {

constexpr int kArchiverKept = 10;     // extraction kept newer or read-only files
constexpr int kXcopyNothingFound = 1; // no file matched the source
constexpr std::size_t kMaxArchiveSteps = 20;
// Beyond this many top-level names, matching every member against them costs more than
// progress is worth.
constexpr std::size_t kMaxTopLevelNames = 512;

const std::string kNewerSuffix = "は新しいので展開しません";
const std::string kReadOnlySuffix = "は読み取り専用なので展開しません";
const std::string kCopiedSuffix = " 個のファイルをコピーしました";

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// The archiver writes a member where its name says below the target, without a leading "/" or
// "./"; the report names it so.
std::string extractedSpelling(std::string path) {
    for (;;) {
        if (!path.empty() && path.front() == '/')
            path.erase(0, 1);
        else if (path.rfind("./", 0) == 0)
            path.erase(0, 2);
        else
            return path;
    }
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool newerThan(const std::string& targetPath, std::int64_t mtime) {
    struct stat st;
    return ::lstat(targetPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime > mtime;
}

} // namespace

std::string RestoreResult::summary() const {
    std::string text = std::to_string(restored) + " 個のファイルを復元しました";
    if (keptNewer > 0)
        text += "。新しいファイル " + std::to_string(keptNewer) + " 個はそのままにしました";
    if (keptReadOnly > 0)
        text +=
            "。読み取り専用のファイル " + std::to_string(keptReadOnly) + " 個はそのままにしました";
    if (!problems.empty())
        text += "。" + std::to_string(problems.size()) + " 件は復元できませんでした";
    return text;
}

int RestoreResult::exitCode() const {
    if (status == Status::Missing)
        return 2;
    if (status == Status::Failed)
        return 1;
    return keptNewer + keptReadOnly + problems.size() > 0 ? 1 : 0;
}

Restorer::Restorer(ArchiverLibrary& archiver, ProcessSpawner& spawner)
    : m_archiver(archiver), m_spawner(spawner) {}

RestoreResult Restorer::restore(const RestoreRequest& request, const Progress& progress) {
    struct stat st;
    const bool folder = ::stat(request.from.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return folder ? fromFolder(request, progress) : fromArchive(request, progress);
}

std::vector<std::vector<std::string>> Restorer::steps(const std::vector<BackupMember>& members,
                                                      std::size_t maxSteps) {
    std::vector<std::pair<std::string, std::uint64_t>> tops;
    std::unordered_map<std::string, std::size_t> index;
    std::uint64_t total = 0;
    for (const BackupMember& member : members) {
        const std::string top = member.path.substr(0, member.path.find('/'));
        // A name the archiver would read as a pattern, or one it rewrites, cannot name a group.
        if (top.empty() || top == "." || top == ".." || NamePattern::hasWildcard(top))
            return {{}};
        const auto [it, added] = index.emplace(top, tops.size());
        if (added)
            tops.emplace_back(top, 0);
        // Each member counts a little besides its bytes, so that many empty files weigh too.
        const std::uint64_t weight = member.size + 4096;
        tops[it->second].second += weight;
        total += weight;
    }
    if (tops.size() < 2 || tops.size() > kMaxTopLevelNames || maxSteps < 2)
        return {{}};
    std::vector<std::vector<std::string>> out(1);
    std::uint64_t inStep = 0;
    const std::uint64_t share = total / maxSteps;
    for (const auto& [name, weight] : tops) {
        if (inStep >= share && !out.back().empty() && out.size() < maxSteps) {
            out.emplace_back();
            inStep = 0;
        }
        out.back().push_back(name);
        inStep += weight;
    }
    return out;
}

RestoreResult Restorer::fromArchive(const RestoreRequest& request, const Progress& progress) {
    RestoreResult result;
    const BackupListing listing = listArchiveMembers(m_archiver, request.from);
    if (listing.status == BackupListing::Status::Missing) {
        result.status = RestoreResult::Status::Missing;
        result.problems.push_back("復元元が見つかりません: " + request.from);
        return result;
    }
    if (listing.status == BackupListing::Status::Failed) {
        result.problems.push_back("書庫を読めませんでした: " + request.from + " (" + listing.error +
                                  ")");
        return result;
    }
    // What a damaged archive holds before its damage is still worth getting back: the
    // extraction goes ahead and reports the damage itself.
    std::unordered_map<std::string, bool> isFolder;
    // Room for a report line per member, of every kind, in one call.
    std::size_t room = 64 * 1024;
    for (const BackupMember& member : listing.members) {
        isFolder[extractedSpelling(member.path)] = member.folder;
        room += 2 * member.path.size() + 64;
    }
    // Steps cost a walk over the archive's headers each: only worth it for someone watching.
    const auto plan =
        request.names.empty() && progress && listing.status == BackupListing::Status::Listed
            ? steps(listing.members, kMaxArchiveSteps)
            : std::vector<std::vector<std::string>>{request.names};
    const std::string target =
        request.to.empty() ? std::string("./") : withoutTrailingSlash(request.to) + "/";
    // A name that two steps both select is written twice; it counts once.
    std::set<std::string> restored, newer, readOnly;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        std::string command =
            "x " + JobCommands::quoted(request.from) + " " + JobCommands::quoted(target);
        for (const std::string& name : plan[i])
            command += " " + JobCommands::quoted(
                                 request.listedPaths && name.find('/') == std::string::npos
                                     ? "./" + name
                                     : name);
        if (request.overwrite)
            command += " -c";
        const ArchiverLibrary::Result call = m_archiver.callUnlhaWithRoom(command, room);
        if (call.status != ArchiverLibrary::Status::Called) {
            result.problems.push_back("Unlha32.dll を読み込めませんでした");
            return result;
        }
        const std::size_t problemsBefore = result.problems.size();
        for (const std::string& line : lines(call.output)) {
            if (line.ends_with(kNewerSuffix)) {
                newer.insert(line.substr(0, line.size() - kNewerSuffix.size()));
            } else if (line.ends_with(kReadOnlySuffix)) {
                readOnly.insert(line.substr(0, line.size() - kReadOnlySuffix.size()));
            } else if (const auto it = isFolder.find(line); it != isFolder.end()) {
                if (!it->second)
                    restored.insert(line);
            } else if (!line.ends_with(" extracted")) {
                std::string problem = line;
                if (line == "no member matched") {
                    problem = "書庫に一致するものがありません:";
                    for (const std::string& name : plan[i])
                        problem += " " + name;
                }
                // The first failure comes twice: as it happened, and as the call's result.
                if (std::find(result.problems.begin() + static_cast<std::ptrdiff_t>(problemsBefore),
                              result.problems.end(), problem) == result.problems.end())
                    result.problems.push_back(problem);
            }
        }
        if (call.code != 0 && call.code != kArchiverKept &&
            result.problems.size() == problemsBefore)
            result.problems.push_back("展開できませんでした (戻り値 " + std::to_string(call.code) +
                                      ")");
        if (progress)
            progress(i + 1, plan.size());
    }
    result.status = RestoreResult::Status::Ran;
    result.restored = restored.size();
    result.keptNewer = newer.size();
    result.keptReadOnly = readOnly.size();
    return result;
}

RestoreResult Restorer::fromFolder(const RestoreRequest& request, const Progress& progress) {
    RestoreResult result;
    const std::string from = withoutTrailingSlash(request.from);
    const std::string to = withoutTrailingSlash(request.to.empty() ? "." : request.to);
    struct Item {
        std::string name; // as asked, for messages; empty for everything
        std::string source;
        std::string destination;
        bool folder;
    };
    std::vector<Item> items;
    if (request.names.empty())
        items.push_back({"", from, to, true});
    for (const std::string& asked : request.names) {
        const std::string name = extractedSpelling(withoutTrailingSlash(asked));
        const std::string source = from + "/" + name;
        const std::string parent = parentOf(name);
        struct stat st;
        const bool there = ::lstat(source.c_str(), &st) == 0;
        if (there && S_ISDIR(st.st_mode))
            items.push_back({asked, source, to + "/" + name, true});
        else if (there || NamePattern::hasWildcard(name))
            items.push_back({asked, source, parent.empty() ? to : to + "/" + parent, false});
        else
            result.problems.push_back("見つかりません: " + asked);
    }
    // xcopy's own rules: /D copies a file only when it is newer than the target's. Quiet (/Q):
    // a line per file could push its count line out of the output kept.
    const std::string switches =
        std::string("/I/K/R/H/C/Q") + (request.overwrite ? "/Y" : "/D") + "/E";
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        if (!request.overwrite && item.folder) {
            const BackupListing below = listFolderMembers(item.source);
            for (const BackupMember& member : below.members)
                if (!member.folder && !member.link &&
                    newerThan(item.destination + "/" + member.path, member.mtime))
                    ++result.keptNewer;
        } else if (!request.overwrite && !NamePattern::hasWildcard(item.name)) {
            struct stat st;
            if (::lstat(item.source.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                newerThan(item.destination + "/" + item.source.substr(item.source.rfind('/') + 1),
                          st.st_mtime))
                ++result.keptNewer;
        }
        // A folder takes its subfolders; so does a pattern, which names a file in every folder.
        const std::string command = JobCommands::copyCommand(
            JobCommands::quoted(item.source), item.destination,
            (item.folder || NamePattern::hasWildcard(item.name)) ? switches + "/S" : switches);
        const ProcessSpawner::Result run = m_spawner.run(command, 4 << 20, {});
        if (run.start != ProcessSpawner::StartStatus::Started) {
            result.problems.push_back("xcopy を起動できませんでした");
            return result;
        }
        for (const std::string& line : lines(run.output)) {
            if (line.ends_with(kCopiedSuffix))
                result.restored += std::strtoul(line.c_str(), nullptr, 10);
            else if (run.exitCode != 0 && run.exitCode != kXcopyNothingFound)
                result.problems.push_back(line);
        }
        if (run.exitCode == kXcopyNothingFound)
            result.problems.push_back("一致するファイルがありません: " +
                                      (item.name.empty() ? from : item.name));
        else if (run.exitCode != 0 && run.output.empty())
            result.problems.push_back("xcopy が失敗しました (終了コード " +
                                      std::to_string(run.exitCode) + ")");
        if (progress)
            progress(i + 1, items.size());
    }
    result.status = RestoreResult::Status::Ran;
    return result;
}

} // namespace trevane
