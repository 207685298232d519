#include "engine/BackupMembers.h"

#include "engine/JobCommands.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>

namespace trevane {

namespace {

constexpr int kNotFound = 3; // the library's code for a missing archive

// The next blank-separated word of line from pos; pos is left after it.
bool nextWord(const std::string& line, std::size_t& pos, std::string& word) {
    const std::size_t start = line.find_first_not_of(' ', pos);
    if (start == std::string::npos)
        return false;
    const std::size_t end = line.find(' ', start);
    if (end == std::string::npos)
        return false; // a member line always goes on with its name
    word = line.substr(start, end - start);
    pos = end;
    return true;
}

bool digitsOnly(const std::string& word) {
    return !word.empty() && word.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

bool parseListingLine(const std::string& line, BackupMember& member) {
    std::size_t pos = 0;
    std::string size, packed, ratio, method, date, time;
    if (!nextWord(line, pos, size) || !nextWord(line, pos, packed) || !nextWord(line, pos, ratio) ||
        !nextWord(line, pos, method) || !nextWord(line, pos, date) || !nextWord(line, pos, time))
        return false;
    if (!digitsOnly(size) || !digitsOnly(packed) || ratio.back() != '%')
        return false;
    std::tm tm{};
    if (std::sscanf(date.c_str(), "%4d-%2d-%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday) != 3 ||
        std::sscanf(time.c_str(), "%2d:%2d:%2d", &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 3)
        return false;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    std::string name = line.substr(pos + 1);
    member = BackupMember{};
    if (const std::size_t arrow = name.find(" -> "); arrow != std::string::npos) {
        member.link = true;
        name.resize(arrow);
    }
    if (!name.empty() && name.back() == '/') {
        member.folder = true;
        name.pop_back();
    }
    if (name.empty())
        return false;
    member.path = std::move(name);
    member.size = std::stoull(size);
    member.mtime = static_cast<std::int64_t>(std::mktime(&tm));
    return true;
}

BackupListing listArchiveMembers(ArchiverLibrary& archiver, const std::string& archive) {
    BackupListing listing;
    const std::string command = "l " + JobCommands::quoted(archive);
    // A line per member: start with room for some ten thousand and grow while it was cut short.
    std::size_t room = 1 << 20;
    ArchiverLibrary::Result result;
    for (;;) {
        result = archiver.callUnlhaWithRoom(command, room);
        if (result.status != ArchiverLibrary::Status::Called || result.output.size() + 1 < room ||
            room >= (std::size_t{1} << 30))
            break;
        room *= 2;
    }
    if (result.status != ArchiverLibrary::Status::Called) {
        listing.error = "Unlha32.dll を読み込めませんでした";
        return listing;
    }
    if (result.code == kNotFound) {
        listing.status = BackupListing::Status::Missing;
        return listing;
    }
    // A damaged archive lists its members up to the damage, then says why (once from the walk,
    // once more as the command's result).
    std::size_t start = 0;
    while (start < result.output.size()) {
        std::size_t end = result.output.find('\n', start);
        if (end == std::string::npos)
            end = result.output.size();
        const std::string line = result.output.substr(start, end - start);
        BackupMember member;
        if (parseListingLine(line, member))
            listing.members.push_back(std::move(member));
        else if (result.code != 0 && !line.empty() && line.rfind("      Size", 0) != 0 &&
                 listing.error.find(line) == std::string::npos)
            listing.error += (listing.error.empty() ? "" : "; ") + line;
        start = end + 1;
    }
    if (result.code != 0) {
        listing.status = BackupListing::Status::Damaged;
        return listing;
    }
    listing.status = BackupListing::Status::Listed;
    return listing;
}

BackupListing listFolderMembers(const std::string& folder) {
    namespace fs = std::filesystem;
    BackupListing listing;
    std::error_code error;
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        listing.status = BackupListing::Status::Missing;
        return listing;
    }
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                        error);
    if (error) {
        listing.error = error.message();
        return listing;
    }
    // The iterator's paths are the folder's spelling, a separator and the rest.
    const std::string prefix = (fs::path(folder) / "").native();
    for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error)
            break;
        const std::string full = it->path().native();
        if (::lstat(full.c_str(), &st) != 0)
            continue;
        BackupMember member;
        if (full.size() <= prefix.size() || full.compare(0, prefix.size(), prefix) != 0)
            continue;
        member.path = full.substr(prefix.size());
        member.folder = S_ISDIR(st.st_mode);
        member.link = S_ISLNK(st.st_mode);
        member.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        member.mtime = st.st_mtime;
        listing.members.push_back(std::move(member));
    }
    listing.status = BackupListing::Status::Listed;
    return listing;
}

BackupListing listBackupMembers(ArchiverLibrary& archiver, const std::string& from) {
    struct stat st;
    if (::stat(from.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return listFolderMembers(from);
    return listArchiveMembers(archiver, from);
}

} // namespace trevane
