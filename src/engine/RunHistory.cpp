#include "engine/RunHistory.h"

#include "FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {

constexpr std::string_view kMagic = "Trevane-Run: 1";
constexpr std::size_t kHeaderLimit = 8192; // a header is read no further than this

struct ResultWord {
    RunHistory::Result result;
    const char* word; // in the file
    const char* text; // in the window
};
constexpr ResultWord kResults[] = {
    {RunHistory::Result::Running, "running", "未完了"},
    {RunHistory::Result::Ok, "ok", "正常終了"},
    {RunHistory::Result::Failed, "failed", "失敗あり"},
    {RunHistory::Result::Stopped, "stopped", "中止"},
    {RunHistory::Result::Broken, "broken", "エラー"},
};

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(width, text.size()), ' ');
    return text;
}

std::string timeText(const DateTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

// The seconds since 1970 of a local date and time, as a count to compare ages with (the
// zone does not matter when both sides are local).
long long secondsOf(const DateTime& t) {
    using namespace std::chrono;
    const sys_days day = year{t.year} / month{static_cast<unsigned>(t.month)} /
                         std::chrono::day{static_cast<unsigned>(t.day)};
    return day.time_since_epoch().count() * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
}

// The start of the run that fileName names, when it is named as a run.
std::optional<DateTime> startOfName(std::string_view name) {
    if (name.size() < 21 || name[8] != '-' || name[15] != '-' || !name.ends_with(".log"))
        return std::nullopt;
    for (std::size_t i : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14})
        if (name[i] < '0' || name[i] > '9')
            return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t n) {
        return std::stoi(std::string(name.substr(at, n)));
    };
    DateTime t;
    t.year = number(0, 4);
    t.month = number(4, 2);
    t.day = number(6, 2);
    t.hour = number(9, 2);
    t.minute = number(11, 2);
    t.second = number(13, 2);
    const std::chrono::year_month_day date{
        std::chrono::year{t.year} / static_cast<unsigned>(t.month) / static_cast<unsigned>(t.day)};
    if (!date.ok() || t.hour > 23 || t.minute > 59 || t.second > 60)
        return std::nullopt;
    return t;
}

// The header of the run file name in the folder dirFd, when it is a run's file (it begins with
// the magic line); never read through a link.
std::optional<RunHistory::Record> readRecord(int dirFd, const std::string& name) {
    OpenedFile file = openRegularFile(dirFd, name, O_RDONLY | O_NOFOLLOW);
    if (!file.ok())
        return std::nullopt;
    std::string head(kHeaderLimit, '\0');
    const ssize_t n = ::read(file.fd.get(), head.data(), head.size());
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (!head.starts_with(kMagic))
        return std::nullopt;
    RunHistory::Record record;
    record.fileName = name;
    std::size_t at = 0;
    for (std::size_t end; (end = head.find('\n', at)) != std::string::npos && end > at;
         at = end + 1) {
        const std::string line = head.substr(at, end - at);
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        const std::string key = line.substr(0, colon);
        std::string value = line.substr(colon + 2);
        value.erase(value.find_last_not_of(' ') + 1);
        if (key == "Start")
            record.start = value;
        else if (key == "Job File")
            record.jobFile = value;
        else if (key == "Failed Steps")
            record.failedSteps = std::atoi(value.c_str());
        else if (key == "Result")
            for (const ResultWord& r : kResults)
                if (value == r.word)
                    record.result = r.result;
    }
    return record;
}

// The start a header records ("2026-12-07 02:30:00").
std::optional<DateTime> startOfText(const std::string& text) {
    DateTime t;
    char end = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second, &end) != 6)
        return std::nullopt;
    const std::chrono::year_month_day date{
        std::chrono::year{t.year} / static_cast<unsigned>(t.month) / static_cast<unsigned>(t.day)};
    if (!date.ok() || t.hour > 23 || t.minute > 59 || t.second > 60)
        return std::nullopt;
    return t;
}

std::vector<std::string> runFileNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir))
        if (startOfName(entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

// Makes every missing level of folder, new ones for the user alone.
bool makeUserFolder(const std::string& folder) {
    for (std::size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
        const std::string level = folder.substr(0, at);
        if (!level.empty() && ::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (at == std::string::npos)
            return true;
    }
}

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

} // namespace

namespace RunHistory {

std::string fileName(const DateTime& s, std::string_view jobFileName, int attempt) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d-", s.year, s.month, s.day, s.hour,
                  s.minute, s.second);
    std::string name = stamp + std::string(jobFileName);
    if (attempt > 1)
        name += "-" + std::to_string(attempt);
    return name + ".log";
}

std::vector<Record> list(const std::string& folder) {
    std::vector<std::string> names = runFileNames(folder);
    std::sort(names.rbegin(), names.rend());
    std::vector<Record> records;
    const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir)
        return records;
    for (const std::string& name : names)
        if (std::optional<Record> record = readRecord(dir.get(), name))
            records.push_back(std::move(*record));
    return records;
}

int prune(const std::string& folder, int days, const DateTime& now) {
    if (days < 1 || !untrustedLink(folder).empty())
        return 0;
    const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir)
        return 0;
    struct Run {
        long long start;
        std::string name;
    };
    std::vector<Run> runs;
    for (std::string& name : runFileNames(folder)) {
        // The start the file records; a file without a header (a disk that was full) by its name.
        const std::optional<Record> record = readRecord(dir.get(), name);
        std::optional<DateTime> start = record ? startOfText(record->start) : std::nullopt;
        if (!start)
            start = startOfName(name);
        runs.push_back({secondsOf(*start), std::move(name)});
    }
    if (runs.size() <= static_cast<std::size_t>(RunHistory::KeptRuns))
        return 0;
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
        return a.start != b.start ? a.start > b.start : a.name > b.name;
    });
    // Ages count from the newest run the history holds, or from now when that lies ahead: a
    // clock set forward makes every earlier run look old, the runs themselves do not.
    const long long oldest = std::min(secondsOf(now), runs.front().start) - days * 86400LL;
    int deleted = 0;
    for (std::size_t i = KeptRuns; i < runs.size(); ++i)
        if (runs[i].start < oldest && ::unlinkat(dir.get(), runs[i].name.c_str(), 0) == 0)
            ++deleted;
    return deleted;
}

std::string resultText(Result result) {
    for (const ResultWord& r : kResults)
        if (r.result == result)
            return r.text;
    return {};
}

} // namespace RunHistory

bool RunLogFile::open(const std::string& folder, const DateTime& start,
                      const std::string& jobFilePath) {
    m_error.clear();
    m_path.clear();
    m_fd.reset();
    // Checked before the missing levels are made through the links on the way, and after.
    for (const bool made : {false, true}) {
        if (const std::string link = untrustedLink(folder); !link.empty()) {
            m_error = untrustedLinkText(link);
            return false;
        }
        if (!made && !makeUserFolder(folder)) {
            m_error = std::strerror(errno);
            return false;
        }
    }
    const std::string job = jobFilePath.substr(jobFilePath.find_last_of('/') + 1);
    for (int attempt = 1; attempt < 100; ++attempt) {
        const std::string path = folder + "/" + RunHistory::fileName(start, job, attempt);
        // O_EXCL creates the file or fails: a link planted under the name is never followed.
        OpenedFile file = openRegularFile(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (!file.ok() && file.error == EEXIST)
            continue;
        if (!file.ok()) {
            m_error = fileErrorText(file.error);
            return false;
        }
        m_fd = std::move(file.fd);
        const std::string head = std::string(kMagic) + "\nStart: " + timeText(start) +
                                 "\nJob File: " + oneLine(jobFilePath) + "\n";
        m_outcomeOffset = static_cast<long>(head.size());
        write(head);
        finish(RunHistory::Result::Running, 0, DateTime{});
        write("\n");
        if (!m_error.empty()) {
            // Not even the header fitted (a full disk): no empty file stays behind.
            m_fd.reset();
            ::unlink(path.c_str());
            return false;
        }
        m_path = path;
        return true;
    }
    m_error = std::strerror(EEXIST);
    return false;
}

void RunLogFile::write(std::string_view bytes) {
    // After a failure nothing more is written: the file holds the run as far as it got, without
    // gaps that freed space would leave.
    while (m_fd && m_error.empty() && !bytes.empty()) {
        const ssize_t n = ::write(m_fd.get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A full disk: the run goes on, its file stays as far as it got.
            m_error = std::strerror(n < 0 ? errno : ENOSPC);
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void RunLogFile::line(std::string_view text) {
    if (m_lineOpen)
        write("\n");
    write(text);
    write("\n");
    m_lineOpen = false;
}

void RunLogFile::output(std::string_view bytes) {
    if (bytes.empty())
        return;
    write(bytes);
    m_lineOpen = bytes.back() != '\n';
}

bool RunLogFile::finish(RunHistory::Result result, int failedSteps, const DateTime& end) {
    if (!m_fd)
        return true;
    const char* word = "running";
    for (const ResultWord& r : kResults)
        if (r.result == result)
            word = r.word;
    const bool running = result == RunHistory::Result::Running;
    const std::string outcome = "Result: " + padded(word, 8) +
                                "\nFailed Steps: " + padded(std::to_string(failedSteps), 10) +
                                "\nEnd: " + padded(running ? std::string() : timeText(end), 19) +
                                "\n";
    if (running) {
        write(outcome);
        return m_error.empty();
    }
    if (m_lineOpen)
        write("\n");
    // The outcome goes into the header's place holders; if that write fails the run is listed
    // as unfinished, which is what its file can still prove.
    if (::pwrite(m_fd.get(), outcome.data(), outcome.size(), m_outcomeOffset) !=
            static_cast<ssize_t>(outcome.size()) &&
        m_error.empty())
        m_error = std::strerror(errno);
    m_fd.reset();
    m_lineOpen = false;
    return m_error.empty();
}

} // namespace trevane
