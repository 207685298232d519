#include "jobs/TimerScheduler.h"

#include "jobs/Settings.h"

#include <tuple>

namespace trevane {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (negative before it).
long long daysFromCivil(int year, int month, int day) {
    const long long y = month <= 2 ? year - 1LL : year;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const int shiftedMonth = month > 2 ? month - 3 : month + 9; // March is 0
    const long long dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(long long days, int& year, int& month, int& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

DateTime atTime(const DateTime& day, TimeOfDay time) {
    DateTime when;
    when.year = day.year;
    when.month = day.month;
    when.day = day.day;
    when.hour = time.hour;
    when.minute = time.minute;
    return when;
}

// startsAtNow: whether a slot at exactly `now` still counts for today. The toggle says yes;
// re-arming after a timed start says no, so the start just made cannot come round again.
//
// Each slot is moved to its own first enabled weekday before the slots are compared, so that
// with 08:00 and 20:00 on Mondays only, Friday 10:00 leads to Monday 08:00 and not, by way of
// Friday 20:00, to Monday 20:00.
NextStart computeNext(const DateTime& now, const TimerSlots& slots, bool startsAtNow) {
    std::optional<DateTime> next;
    bool anyTime = false;
    for (const std::string& text : slots.times) {
        const auto time = TimerScheduler::parseTimeOfDay(text);
        if (!time)
            continue;
        anyTime = true;
        DateTime candidate = atTime(now, *time);
        const int order = compareDateTime(now, candidate);
        if (order > 0 || (order == 0 && !startsAtNow))
            candidate = addDays(candidate, 1);
        // The weekday search stops after seven days: no weekday means no start time.
        for (int days = 0; days < 7; ++days) {
            const DateTime day = addDays(candidate, days);
            if (slots.weekdays[day.dayOfWeek()]) {
                if (!next || compareDateTime(day, *next) < 0)
                    next = day;
                break;
            }
        }
    }
    if (!anyTime)
        return {NextStart::Reason::NoTime, std::nullopt};
    if (!next)
        return {NextStart::Reason::NoWeekday, std::nullopt};
    return {NextStart::Reason::Scheduled, next};
}

} // namespace

int compareDateTime(const DateTime& a, const DateTime& b) {
    const auto key = [](const DateTime& t) {
        return std::tie(t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
    };
    if (key(a) < key(b))
        return -1;
    return key(b) < key(a) ? 1 : 0;
}

DateTime addDays(const DateTime& when, int days) {
    DateTime moved = when;
    civilFromDays(daysFromCivil(when.year, when.month, when.day) + days, moved.year, moved.month,
                  moved.day);
    return moved;
}

TimerSlots TimerSlots::fromSettings(const Settings& settings) {
    TimerSlots slots;
    slots.times = {settings.asTime0, settings.asTime1, settings.asTime2};
    for (int day = 0; day < 7; ++day)
        slots.weekdays[day] = settings.dayOfWeek(day);
    return slots;
}

std::optional<TimeOfDay> TimerScheduler::parseTimeOfDay(std::string_view text) {
    text = trimmed(text);
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon < 1 || colon > 2 || text.size() != colon + 3)
        return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != colon && !isDigit(text[i]))
            return std::nullopt;
    TimeOfDay time;
    for (size_t i = 0; i < colon; ++i)
        time.hour = time.hour * 10 + (text[i] - '0');
    time.minute = (text[colon + 1] - '0') * 10 + (text[colon + 2] - '0');
    if (time.hour > 23 || time.minute > 59)
        return std::nullopt;
    return time;
}

NextStart TimerScheduler::nextStartTime(const DateTime& now, const TimerSlots& slots) {
    return computeNext(now, slots, true);
}

std::string TimerScheduler::labelText(const std::optional<DateTime>& nextStart) {
    if (!nextStart)
        return std::string(OffLabel);
    // The pattern has no locale-dependent part; any locale gives the same text.
    static const DateTimeLocale locale;
    return "Timer On：Next Back_Up Time=" +
           formatDateTime("yyyy'年'mm'月'dd'日'hh'時'nn'分'", *nextStart, locale);
}

TimerScheduler::Toggle TimerScheduler::toggle(const DateTime& now, const TimerSlots& slots) {
    const NextStart next = nextStartTime(now, slots);
    if (!next.time)
        return Toggle::NoStartTime;
    if (m_on) {
        m_on = false;
        m_next.reset();
        return Toggle::SwitchedOff;
    }
    m_on = true;
    m_next = next.time;
    return Toggle::SwitchedOn;
}

TimerScheduler::Tick TimerScheduler::tick(const DateTime& now, const TimerSlots& slots,
                                          const std::function<void()>& startRegisteredJobs) {
    if (!m_on || !m_next || compareDateTime(*m_next, now) > 0)
        return Tick::NotDue;
    m_on = false;
    m_next.reset();
    if (startRegisteredJobs)
        startRegisteredJobs();
    // The following start is computed from the present (a tick comes up to a second late, or
    // much later after the computer slept); a tick at exactly the start time must not find
    // the same start again.
    const NextStart next = computeNext(now, slots, false);
    if (!next.time)
        return Tick::Stopped;
    m_on = true;
    m_next = next.time;
    return Tick::Rearmed;
}

} // namespace trevane
