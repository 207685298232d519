#include "XcopyCommandLine.h"

#include <cctype>
#include <sys/stat.h>

namespace trevane {

namespace {

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool allDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::vector<std::string> splitOn(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

} // namespace

std::optional<std::time_t> XcopyCommandLine::parseDate(const std::string& text) {
    const auto parts = splitOn(text, '-');
    if (parts.size() != 3)
        return std::nullopt;
    for (const auto& part : parts)
        if (!allDigits(part) || part.size() > 4)
            return std::nullopt;

    int year, month, day;
    if (parts[0].size() == 4) {
        year = std::stoi(parts[0]);
        month = std::stoi(parts[1]);
        day = std::stoi(parts[2]);
    } else {
        if (parts[0].size() > 2 || parts[1].size() > 2)
            return std::nullopt;
        month = std::stoi(parts[0]);
        day = std::stoi(parts[1]);
        if (parts[2].size() == 2) {
            const int yy = std::stoi(parts[2]);
            year = yy < 70 ? 2000 + yy : 1900 + yy;
        } else if (parts[2].size() == 4) {
            year = std::stoi(parts[2]);
        } else {
            return std::nullopt;
        }
    }
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;

    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1; // let the zone rules decide, so midnight is midnight in summer too
    const std::time_t result = std::mktime(&tm);
    if (result == static_cast<std::time_t>(-1))
        return std::nullopt;
    return result;
}

bool XcopyCommandLine::applySwitchGroup(const std::string& group, XcopyOptions& options,
                                        std::string& error) {
    if (group.size() < 2 || group[0] != '/') {
        error = "無効なパラメーターです - " + group;
        return false;
    }
    std::string::size_type pos = 0;
    while (pos < group.size()) {
        // pos is at a '/'
        const auto next = group.find('/', pos + 1);
        std::string item = group.substr(pos + 1, next == std::string::npos ? next : next - pos - 1);
        const std::string name = upper(item);

        if (name.rfind("EXCLUDE:", 0) == 0) {
            // The value runs to the end of the argument: it is a path and may hold "/".
            const std::string value = group.substr(pos + 1 + 8);
            if (value.empty()) {
                error = "無効なスイッチです - /" + item;
                return false;
            }
            for (const auto& file : splitOn(value, '+'))
                if (!file.empty())
                    options.excludeFiles.push_back(file);
            return true;
        }

        if (name == "Y")
            options.overwrite = true;
        else if (name == "-Y")
            options.overwrite = false;
        else if (name == "D")
            options.onlyNewer = true;
        else if (name.rfind("D:", 0) == 0) {
            const auto date = parseDate(item.substr(2));
            if (!date) {
                error = "無効なパラメーターです - /" + item;
                return false;
            }
            options.changedSince = date;
        } else if (name == "S")
            options.subfolders = true;
        else if (name == "E")
            options.subfolders = options.emptyFolders = true;
        else if (name == "I")
            options.assumeFolder = true;
        else if (name == "K")
            options.keepAttributes = true;
        else if (name == "R")
            options.overwriteReadOnly = true;
        else if (name == "H")
            options.hiddenFiles = true;
        else if (name == "C")
            options.continueOnError = true;
        else if (name == "Q")
            options.quiet = true;
        else if (name == "F")
            options.fullNames = true;
        else if (name == "L")
            options.listOnly = true;
        else if (name == "T")
            options.foldersOnly = true;
        else if (name == "U")
            options.onlyExisting = true;
        else {
            error = "無効なスイッチです - /" + item;
            return false;
        }
        if (next == std::string::npos)
            break;
        pos = next;
    }
    return true;
}

bool XcopyCommandLine::nameExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

XcopyParseResult XcopyCommandLine::parse(const std::vector<std::string>& args,
                                         const ExistsFunction& exists) {
    XcopyParseResult result;
    XcopyOptions& options = result.options;
    std::size_t index = 0;

    auto isSwitchGroup = [](const std::string& arg) {
        XcopyOptions scratch;
        std::string ignored;
        return !arg.empty() && arg[0] == '/' && applySwitchGroup(arg, scratch, ignored);
    };

    auto isPath = [&](const std::string& arg) { return !isSwitchGroup(arg) || exists(arg); };
    if (index < args.size() && isPath(args[index]))
        options.source = args[index++];
    if (index < args.size() && isPath(args[index]))
        options.destination = args[index++];

    for (; index < args.size(); ++index) {
        const std::string& arg = args[index];
        if (arg.empty() || arg[0] != '/') {
            result.error = "パラメーターの数が違います";
            return result;
        }
        if (!applySwitchGroup(arg, options, result.error))
            return result;
    }
    if (options.source.empty()) {
        result.error = "パラメーターの数が違います";
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace trevane
