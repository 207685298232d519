#pragma once

#include <array>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// A calendar date and a time of day, local time.
struct DateTime {
    int year = 2000;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    // 0 = Sunday .. 6 = Saturday (proleptic Gregorian calendar).
    int dayOfWeek() const;
    // The local time of a clock reading.
    static DateTime fromTime(std::time_t time);
};

// What the date-time patterns take from the locale. The four formats are written in the
// pattern language itself (for example "yyyy/mm/dd" and "h:nn:ss").
struct DateTimeLocale {
    struct Era {
        int year = 1, month = 1, day = 1; // first day of the era
        std::string name;                 // "gg"
        std::string shortName;            // "g"
    };

    std::string shortDateFormat = "yyyy/mm/dd";
    std::string longDateFormat = "yyyy/mm/dd";
    std::string shortTimeFormat = "h:nn";
    std::string longTimeFormat = "h:nn:ss";
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
    std::array<std::string, 12> shortMonthNames; // January first
    std::array<std::string, 12> longMonthNames;
    std::array<std::string, 7> shortDayNames; // Sunday first
    std::array<std::string, 7> longDayNames;
    std::string amText = "AM"; // "ampm" in the morning
    std::string pmText = "PM";
    // Eras of the calendar, oldest first. With none, the year is its own era ("e" is the year)
    // and the era name is gregorianEraName.
    std::vector<Era> eras;
    std::string gregorianEraName;

    // English names, the formats above, no eras: a fixed locale for tests and a fallback.
    static DateTimeLocale english();
};

// Formats a date and time with a date-time pattern, read left to right. Letters are not
// case-sensitive and a run of one letter is one token:
//   y yy: year, 2 digits; yyy yyyy: 4 digits
//   m mm: month (mm with a leading zero); right after an hour token (no letter between) the
//         minute instead; mmm mmmm: short or long month name, after an hour token too
//   d dd: day; ddd dddd: short or long weekday name; ddddd: short date; dddddd: long date
//   aaa aaaa: short or long weekday name
//   h hh: hour, 12-hour when the pattern holds am/pm, a/p or ampm (outside quotes)
//   n nn: minute; s ss: second; t: short time; tt: long time
//   c: standardDateTimeText()
//   am/pm, a/p: the morning or afternoon half as written in the pattern; ampm: amText/pmText
//   e ee: year within the era; g gg: short or long era name
//   "/": date separator; ":": time separator
//   text in single or double quotes: the text; any other byte: itself
std::string formatDateTime(std::string_view pattern, const DateTime& when,
                           const DateTimeLocale& locale);

// The present local time in pattern (the stamp that replaces "%t" in commands).
std::string formatNow(std::string_view pattern, const DateTimeLocale& locale);

// The system's standard form: short date, a blank and the long time; only the date when the
// time is exactly 00:00:00.000.
std::string standardDateTimeText(const DateTime& when, const DateTimeLocale& locale);

// The locale of the running program (its LC_TIME / LANG settings), names and formats in the
// locale's code page. Call after the locale has been set up (QCoreApplication does it).
// Under a Japanese locale, its eras too (平成, 令和).
DateTimeLocale systemDateTimeLocale();

// The eras of the calendar of the named locale ("" is the program's LC_TIME locale), oldest
// first, from the C library's era data; each era's short name is its first character. None
// where the locale has no eras or is not installed.
std::vector<DateTimeLocale::Era> localeEras(const std::string& localeName);

} // namespace trevane
