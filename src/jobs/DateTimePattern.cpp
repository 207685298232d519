#include "jobs/DateTimePattern.h"

#include <cstdio>
#include <ctime>

namespace trevane {

namespace {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
bool isLetter(char c) {
    return upper(c) >= 'A' && upper(c) <= 'Z';
}

bool startsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (upper(text[at + i]) != upper(prefix[i]))
            return false;
    }
    return true;
}

std::string number(int value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
    return buffer;
}

// Whether hours are on a 12-hour clock: the pattern holds an am/pm token outside quotes.
bool holdsAmPm(std::string_view pattern) {
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\'' || c == '"') {
            const size_t close = pattern.find(c, i + 1);
            if (close == std::string_view::npos)
                return false;
            i = close;
            continue;
        }
        if (startsWithNoCase(pattern, i, "am/pm") || startsWithNoCase(pattern, i, "a/p") ||
            startsWithNoCase(pattern, i, "ampm"))
            return true;
    }
    return false;
}

const DateTimeLocale::Era* eraOf(const DateTime& when, const DateTimeLocale& locale) {
    const DateTimeLocale::Era* found = nullptr;
    for (const auto& era : locale.eras) {
        const bool started =
            when.year != era.year
                ? when.year > era.year
                : (when.month != era.month ? when.month > era.month : when.day >= era.day);
        if (started)
            found = &era;
    }
    return found;
}

class Formatter {
public:
    Formatter(const DateTime& when, const DateTimeLocale& locale)
        : m_when(when), m_locale(locale) {}

    void run(std::string_view pattern, int depth);
    std::string take() { return std::move(m_out); }

private:
    // The locale's own formats are patterns too; they cannot nest deeper than this unless a
    // locale refers to itself, which must not run away.
    static constexpr int MaxDepth = 3;

    void nested(std::string_view pattern, int depth) {
        if (depth < MaxDepth)
            run(pattern, depth + 1);
    }
    void standard(int depth) {
        nested(m_locale.shortDateFormat, depth);
        if (m_when.hour || m_when.minute || m_when.second || m_when.millisecond) {
            m_out.push_back(' ');
            nested(m_locale.longTimeFormat, depth);
        }
    }
    const std::string& name(const auto& names, int index) {
        static const std::string none;
        return index >= 0 && index < static_cast<int>(names.size()) ? names[index] : none;
    }

    const DateTime& m_when;
    const DateTimeLocale& m_locale;
    std::string m_out;
};

void Formatter::run(std::string_view p, int depth) {
    const bool twelveHour = holdsAmPm(p);
    const bool afternoon = m_when.hour >= 12;
    const int weekday = m_when.dayOfWeek();
    char lastToken = 0;
    size_t i = 0;
    while (i < p.size()) {
        const char c = p[i];
        if (c == '\'' || c == '"') {
            const size_t close = p.find(c, i + 1);
            const size_t end = close == std::string_view::npos ? p.size() : close;
            m_out.append(p.substr(i + 1, end - i - 1));
            i = close == std::string_view::npos ? p.size() : close + 1;
            continue;
        }
        if (c == '/') {
            m_out += m_locale.dateSeparator;
            ++i;
            continue;
        }
        if (c == ':') {
            m_out += m_locale.timeSeparator;
            ++i;
            continue;
        }
        if (!isLetter(c)) {
            m_out.push_back(c);
            ++i;
            continue;
        }

        char token = upper(c);
        if (token == 'A') {
            lastToken = 'A';
            if (startsWithNoCase(p, i, "am/pm")) {
                // The half as the pattern spells it: "AM/pm" gives "AM" or "pm".
                m_out.append(p.substr(afternoon ? i + 3 : i, 2));
                i += 5;
            } else if (startsWithNoCase(p, i, "a/p")) {
                m_out.push_back(p[afternoon ? i + 2 : i]);
                i += 3;
            } else if (startsWithNoCase(p, i, "ampm")) {
                m_out += afternoon ? m_locale.pmText : m_locale.amText;
                i += 4;
            } else if (startsWithNoCase(p, i, "aaaa")) {
                m_out += name(m_locale.longDayNames, weekday);
                i += 4;
            } else if (startsWithNoCase(p, i, "aaa")) {
                m_out += name(m_locale.shortDayNames, weekday);
                i += 3;
            } else {
                m_out.push_back(c);
                ++i;
            }
            continue;
        }

        size_t count = 1;
        while (i + count < p.size() && upper(p[i + count]) == token)
            ++count;
        // Only "m" and "mm" turn into the minute after an hour; "mmm" and "mmmm" stay month names.
        if (token == 'M' && lastToken == 'H' && count <= 2)
            token = 'N';
        lastToken = token;

        switch (token) {
        case 'Y':
            m_out += count <= 2 ? number(m_when.year % 100, 2) : number(m_when.year, 4);
            break;
        case 'G': {
            const auto* era = eraOf(m_when, m_locale);
            m_out += era ? (count == 1 ? era->shortName : era->name) : m_locale.gregorianEraName;
            break;
        }
        case 'E': {
            const auto* era = eraOf(m_when, m_locale);
            const int year = era ? m_when.year - era->year + 1 : m_when.year;
            m_out += number(year, count == 1 ? 1 : 2);
            break;
        }
        case 'M':
            if (count <= 2)
                m_out += number(m_when.month, static_cast<int>(count));
            else
                m_out += name(count == 3 ? m_locale.shortMonthNames : m_locale.longMonthNames,
                              m_when.month - 1);
            break;
        case 'N':
            m_out += number(m_when.minute, count == 1 ? 1 : 2);
            break;
        case 'D':
            if (count <= 2)
                m_out += number(m_when.day, static_cast<int>(count));
            else if (count == 3)
                m_out += name(m_locale.shortDayNames, weekday);
            else if (count == 4)
                m_out += name(m_locale.longDayNames, weekday);
            else if (count == 5)
                nested(m_locale.shortDateFormat, depth);
            else
                nested(m_locale.longDateFormat, depth);
            break;
        case 'H': {
            int hour = m_when.hour;
            if (twelveHour) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            m_out += number(hour, count == 1 ? 1 : 2);
            break;
        }
        case 'S':
            m_out += number(m_when.second, count == 1 ? 1 : 2);
            break;
        case 'T':
            nested(count == 1 ? m_locale.shortTimeFormat : m_locale.longTimeFormat, depth);
            break;
        case 'C':
            standard(depth);
            break;
        default:
            m_out.append(p.substr(i, count));
            break;
        }
        i += count;
    }
}

} // namespace

int DateTime::dayOfWeek() const {
    // Sakamoto's method for the Gregorian calendar.
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int m = month >= 1 && month <= 12 ? month : 1;
    const int y = m < 3 ? year - 1 : year;
    const int w = (y + y / 4 - y / 100 + y / 400 + offsets[m - 1] + day) % 7;
    return w < 0 ? w + 7 : w;
}

DateTime DateTime::fromTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    DateTime when;
    when.year = local.tm_year + 1900;
    when.month = local.tm_mon + 1;
    when.day = local.tm_mday;
    when.hour = local.tm_hour;
    when.minute = local.tm_min;
    when.second = local.tm_sec;
    return when;
}

DateTimeLocale DateTimeLocale::english() {
    DateTimeLocale locale;
    locale.shortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    locale.longMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                             "July",    "August",   "September", "October", "November", "December"};
    locale.shortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    locale.longDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                           "Thursday", "Friday", "Saturday"};
    return locale;
}

std::string formatNow(std::string_view pattern, const DateTimeLocale& locale) {
    return formatDateTime(pattern, DateTime::fromTime(std::time(nullptr)), locale);
}

std::string formatDateTime(std::string_view pattern, const DateTime& when,
                           const DateTimeLocale& locale) {
    Formatter formatter(when, locale);
    formatter.run(pattern, 0);
    return formatter.take();
}

std::string standardDateTimeText(const DateTime& when, const DateTimeLocale& locale) {
    return formatDateTime("c", when, locale);
}

} // namespace trevane
