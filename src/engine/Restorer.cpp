#include "engine/Restorer.h"

#include "ArchiveReader.h"
#include "ArchiveUpdater.h"
#include "Extractor.h"
#include "FileCopier.h"
#include "PathRules.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <unordered_map>

namespace trevane {

namespace {

using Kind = RestoreDecision::Kind;

constexpr std::uint64_t kProgressSteps = 1000;
// Each member counts a little besides its bytes, so that many empty files weigh too.
constexpr std::uint64_t kMemberWeight = 4096;

std::string errorText(int error) {
    return std::generic_category().message(error);
}

} // namespace

std::string RestoreResult::summary() const {
    std::string text = std::to_string(restored) + " 個のファイルを復元しました";
    if (keptNewer > 0)
        text += "。新しいファイル " + std::to_string(keptNewer) + " 個はそのままにしました";
    if (keptReadOnly > 0)
        text +=
            "。読み取り専用のファイル " + std::to_string(keptReadOnly) + " 個はそのままにしました";
    if (setAside > 0)
        text += "。置き換えたもの " + std::to_string(setAside) + " 個は " + asideFolder +
                " に移しました";
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

Restorer::Restorer(RestoreRequest request) : m_request(std::move(request)) {}

RestoreResult Restorer::failure(RestoreResult::Status status, std::string problem) const {
    RestoreResult result;
    result.status = status;
    result.problems.push_back(std::move(problem));
    return result;
}

bool Restorer::prepare() {
    m_prepared = true;
    m_listing = listBackupMembers(m_request.from);
    if (m_listing.status == BackupListing::Status::Missing) {
        m_failure =
            failure(RestoreResult::Status::Missing, "復元元が見つかりません: " + m_request.from);
        return false;
    }
    if (m_listing.status == BackupListing::Status::Failed) {
        m_failure =
            failure(RestoreResult::Status::Failed,
                    "復元元を読めませんでした: " + m_request.from + " (" + m_listing.error + ")");
        return false;
    }
    RestoreTarget target;
    std::string ignored;
    target.open(m_request.to, false, ignored); // a target still to be made holds nothing
    m_plan = RestorePlan::make(m_listing, m_request.names, m_request.listedPaths,
                               m_request.overwrite, target);
    m_failure.status = RestoreResult::Status::Ran;
    return true;
}

void Restorer::fail(RestoreDecision& d, std::string reason) {
    d.kind = Kind::Failed;
    d.reason = std::move(reason);
    d.setsAside = false;
}

void Restorer::put(RestoreTarget& target, RestoreDecision& d,
                   const std::function<std::string(int, const std::string&)>& write) {
    const std::string& path = m_listing.members[d.member].path;
    if (m_request.beforeWrite)
        m_request.beforeWrite(path);
    const auto [folder, name] = splitRelative(path);
    const UniqueFd dir = target.openFolder(folder, true);
    if (!dir)
        return fail(d, "フォルダを作れません: " + errorText(errno));
    if (d.setsAside) {
        // Gone since the plan was made: nothing to keep.
        if (const int error = target.setAside(path); error == ENOENT)
            d.setsAside = false;
        else if (error != 0)
            return fail(d, "置き換える前のものを移せません: " + errorText(error));
    }
    if (std::string error = write(dir.get(), name); !error.empty()) {
        if (d.setsAside)
            target.putBack(path);
        fail(d, std::move(error));
    }
}

void Restorer::makeFolder(RestoreTarget& target, RestoreDecision& d) {
    const BackupMember& member = m_listing.members[d.member];
    const UniqueFd folder = target.openFolder(member.path, true);
    if (!folder)
        return fail(d, "フォルダを作れません: " + errorText(errno));
    // The owner keeps the right to enter and fill what is restored; the umask has its say.
    std::optional<mode_t> mode;
    if (member.mode)
        mode = static_cast<mode_t>((*member.mode & 0777) | S_IRWXU) & ~m_umask;
    m_folders.remember(member.path, folder.get(), mode, member.mtime);
}

void Restorer::fromArchive(RestoreTarget& target, const Advance& advance) {
    std::unordered_map<std::size_t, RestoreDecision*> byIndex;
    for (RestoreDecision& d : m_plan.decisions)
        if (d.kind == Kind::Restore)
            byIndex.emplace(m_listing.members[d.member].index, &d);
    unlha::ArchiveReader reader;
    unlha::Status status = reader.open(unlha::archiveFileName(m_request.from));
    trevane::UnnamedFiles unnamed("trevane");
    for (std::size_t index = 0; status.ok() && !byIndex.empty(); ++index) {
        unlha::MemberHeader header;
        if (reader.next(header, status) != unlha::HeaderReader::Result::Member)
            break;
        const auto it = byIndex.find(index);
        if (it == byIndex.end())
            continue;
        RestoreDecision& d = *it->second;
        byIndex.erase(it);
        const BackupMember& member = m_listing.members[d.member];
        std::string path;
        if (!unlha::PathRules::safeRelative(header.path, path) || path != member.path) {
            fail(d, "書庫が読んだ後で変わりました");
            continue;
        }
        if (member.isFolder()) {
            makeFolder(target, d);
        } else if (member.isLink()) {
            put(target, d, [&](int dir, const std::string& name) {
                // Made beside and renamed over its name: a link there is replaced in one step.
                const std::string temp = unnamed.temporaryName();
                if (::symlinkat(member.linkTarget.c_str(), dir, temp.c_str()) != 0)
                    return "リンクを作れません: " + errorText(errno);
                if (::renameat(dir, temp.c_str(), dir, name.c_str()) != 0) {
                    const int error = errno;
                    ::unlinkat(dir, temp.c_str(), 0);
                    return "リンクを作れません: " + errorText(error);
                }
                return std::string();
            });
        } else if (!unlha::Decoder::supports(header.method)) {
            fail(d, "この書庫の圧縮方法 " + unlha::PathRules::printable(header.method) +
                        " には対応していません");
        } else {
            put(target, d, [&](int dir, const std::string& name) {
                const unlha::Status written =
                    unlha::Extractor::writeMember(reader, header, dir, name, member.path, unnamed);
                return written.ok() ? std::string() : written.message();
            });
        }
        advance(member.size);
    }
    // What the walk did not reach: the archive broke off before it.
    for (auto& [index, d] : byIndex)
        fail(*d, status.ok() ? "書庫から読めませんでした" : status.message());
}

void Restorer::fromFolder(RestoreTarget& target, const Advance& advance) {
    FileCopier copier(m_umask);
    for (RestoreDecision& d : m_plan.decisions) {
        if (d.kind != Kind::Restore)
            continue;
        const BackupMember& member = m_listing.members[d.member];
        if (member.isFolder()) {
            makeFolder(target, d);
            continue;
        }
        const auto [folder, name] = splitRelative(member.path);
        const UniqueFd source(
            ::open((m_request.from + "/" + folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!source) {
            fail(d, "復元元のフォルダを開けません: " + errorText(errno));
            continue;
        }
        put(target, d, [&](int dir, const std::string& to) {
            const FileCopier::Outcome outcome =
                member.isLink()
                    ? copier.copySymlink(source.get(), name.c_str(), dir, to.c_str())
                    : copier.copyFile(source.get(), name.c_str(), dir, to.c_str(), true);
            switch (outcome.status) {
            case FileCopier::Status::Copied:
                return std::string();
            case FileCopier::Status::NotRegular:
                return std::string("復元元が読んだ後でファイルでなくなりました");
            case FileCopier::Status::LinkNotKept:
                return std::string("復元先のファイルシステムはリンクを持てません");
            case FileCopier::Status::ReadFailed:
                return "読めません: " + errorText(outcome.errorNumber);
            case FileCopier::Status::Stopped: // a restore is not stopped half-way
                return std::string("中止しました");
            case FileCopier::Status::WriteFailed:
                break;
            }
            return "書けません: " + errorText(outcome.errorNumber);
        });
        advance(member.size);
    }
}

RestoreResult Restorer::run(const Progress& progress) {
    if (!m_prepared)
        prepare();
    if (m_failure.status != RestoreResult::Status::Ran)
        return m_failure;
    RestoreTarget target;
    std::string error;
    if (!target.open(m_request.to, true, error))
        return failure(RestoreResult::Status::Failed, "復元先を作れません: " + error);

    m_umask = currentUmask();
    std::uint64_t total = 0, done = 0, shown = 0;
    for (const RestoreDecision& d : m_plan.decisions)
        if (d.kind == Kind::Restore)
            total += m_listing.members[d.member].size + kMemberWeight;
    const Advance advance = [&](std::uint64_t bytes) {
        done += bytes + kMemberWeight;
        const std::uint64_t step = total ? done * kProgressSteps / total : kProgressSteps;
        if (progress && step != shown)
            progress(shown = step, kProgressSteps);
    };
    if (m_listing.fromFolder)
        fromFolder(target, advance);
    else
        fromArchive(target, advance);
    if (progress && shown != kProgressSteps)
        progress(kProgressSteps, kProgressSteps);

    // Folder modes and times last: the files written inside changed the times, and a folder
    // without write permission could not have been filled.
    m_folders.apply(target.beneath());

    RestoreResult result;
    result.status = RestoreResult::Status::Ran;
    result.problems = m_plan.badNames;
    if (m_listing.status == BackupListing::Status::Damaged)
        result.problems.push_back("書庫の途中から先は読めません: " + m_listing.error);
    for (const RestoreDecision& d : m_plan.decisions) {
        if ((d.kind == Kind::Failed || d.kind == Kind::Refused) && d.counted)
            result.problems.push_back(
                unlha::PathRules::printable(m_listing.members[d.member].path) + ": " + d.reason);
        result.setAside += d.kind == Kind::Restore && d.setsAside;
    }
    result.restored = m_plan.files(Kind::Restore);
    result.keptNewer = m_plan.files(Kind::KeepNewer);
    result.keptReadOnly = m_plan.files(Kind::KeepReadOnly);
    result.asideFolder = target.asideFolder();
    return result;
}

} // namespace trevane
