#include "jobs/DOptionDate.h"

namespace trevane {

namespace {

constexpr int FirstYear = 1900; // xcopy takes no earlier date

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number a field spells, or -1 when a digit is missing.
int fieldValue(std::string_view field) {
    int value = 0;
    for (char c : field) {
        if (!isDigit(c))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

int daysIn(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year < 0 || (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Whether some digits in the missing places of a two-digit field give a value in [low, high].
bool canReach(std::string_view field, int low, int high) {
    for (int value = low; value <= high; ++value) {
        const char tens = char('0' + value / 10), units = char('0' + value % 10);
        if ((!isDigit(field[0]) || field[0] == tens) && (!isDigit(field[1]) || field[1] == units))
            return true;
    }
    return false;
}

} // namespace

DateEntry checkDOptionDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return DateEntry::Impossible;
    const std::string_view yearField = text.substr(0, 4), month = text.substr(5, 2),
                           day = text.substr(8, 2);
    const int year = fieldValue(yearField);
    if (year >= 0 && year < FirstYear)
        return DateEntry::Impossible;
    if (!canReach(month, 1, 12))
        return DateEntry::Impossible;
    const int monthValue = fieldValue(month);
    // Without the month (or the year) the day may be as long as any month's.
    const int lastDay = monthValue > 0 ? daysIn(year, monthValue) : 31;
    if (!canReach(day, 1, lastDay))
        return DateEntry::Impossible;
    return year >= 0 && monthValue > 0 && fieldValue(day) > 0 ? DateEntry::Complete
                                                              : DateEntry::Partial;
}

} // namespace trevane
