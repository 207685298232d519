#include "jobs/TimerScheduler.h"

#include <gtest/gtest.h>

using namespace trevane;
using Reason = NextStart::Reason;

namespace {

DateTime at(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0) {
    DateTime when;
    when.year = year;
    when.month = month;
    when.day = day;
    when.hour = hour;
    when.minute = minute;
    when.second = second;
    when.millisecond = ms;
    return when;
}

std::string text(const std::optional<DateTime>& when) {
    if (!when)
        return "none";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", when->year,
                  when->month, when->day, when->hour, when->minute, when->second,
                  when->millisecond);
    return buffer;
}

TimerSlots slots(std::array<std::string, 3> times,
                 std::array<bool, 7> weekdays = {true, true, true, true, true, true, true}) {
    return {times, weekdays};
}

// 2026-12-04 is a Friday, 2026-12-07 a Monday.
constexpr std::array<bool, 7> MondayOnly = {false, true, false, false, false, false, false};
constexpr std::array<bool, 7> NoDay = {};

} // namespace

TEST(TimerScheduler, ParseTimeOfDay) {
    struct Case {
        const char* text;
        std::optional<TimeOfDay> time;
    } cases[] = {
        {"08:00", TimeOfDay{8, 0}}, {"8:00", TimeOfDay{8, 0}},    {" 8:05", TimeOfDay{8, 5}},
        {"0:00", TimeOfDay{0, 0}},  {"23:59", TimeOfDay{23, 59}}, {"24:00", std::nullopt},
        {"25:00", std::nullopt},    {"12:60", std::nullopt},      {"7:5", std::nullopt},
        {"ab:cd", std::nullopt},    {"", std::nullopt},           {"  ", std::nullopt},
        {"8", std::nullopt},        {":00", std::nullopt},        {"123:00", std::nullopt},
        {"8:000", std::nullopt},    {"08:00:00", std::nullopt},   {"8-00", std::nullopt},
        {"_8:00", std::nullopt},    {"+8:00", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimerScheduler::parseTimeOfDay(c.text), c.time) << '"' << c.text << '"';
}

TEST(TimerScheduler, NextStartTime) {
    struct Case {
        const char* name;
        DateTime now;
        TimerSlots slots;
        Reason reason;
        std::optional<DateTime> next;
    } cases[] = {
        {"laterSlotToday", at(2026, 12, 7, 10, 0), slots({"08:00", "20:00", ""}), Reason::Scheduled,
         at(2026, 12, 7, 20, 0)},
        {"firstSlotTomorrow", at(2026, 12, 7, 21, 0), slots({"08:00", "20:00", ""}),
         Reason::Scheduled, at(2026, 12, 8, 8, 0)},
        {"slotOrderDoesNotMatter", at(2026, 12, 7, 10, 0), slots({"20:00", "12:30", "9:00"}),
         Reason::Scheduled, at(2026, 12, 7, 12, 30)},
        {"weekendSkipped", at(2026, 12, 4, 7, 0), slots({"08:00", "", ""}, MondayOnly),
         Reason::Scheduled, at(2026, 12, 7, 8, 0)},
        // Each slot finds its own weekday before they are compared: from Friday 10:00 the next
        // Monday start is 08:00 (moving the earliest time first, Friday 20:00, would skip it).
        {"earliestStartOnAnEnabledDay", at(2026, 12, 4, 10, 0),
         slots({"08:00", "20:00", ""}, MondayOnly), Reason::Scheduled, at(2026, 12, 7, 8, 0)},
        {"onlyThirdSlot", at(2026, 12, 7, 10, 0), slots({"", "", "11:15"}), Reason::Scheduled,
         at(2026, 12, 7, 11, 15)},
        {"exactlyAtSlotCountsToday", at(2026, 12, 7, 8, 0), slots({"08:00", "", ""}),
         Reason::Scheduled, at(2026, 12, 7, 8, 0)},
        {"justAfterSlot", at(2026, 12, 7, 8, 0, 0, 1), slots({"08:00", "", ""}), Reason::Scheduled,
         at(2026, 12, 8, 8, 0)},
        {"equalSlots", at(2026, 12, 7, 6, 0), slots({"8:00", "08:00", "08:00"}), Reason::Scheduled,
         at(2026, 12, 7, 8, 0)},
        {"midnightSlot", at(2026, 12, 7, 23, 59, 30), slots({"0:00", "", ""}), Reason::Scheduled,
         at(2026, 12, 8, 0, 0)},
        {"yearRollover", at(2026, 12, 31, 23, 0), slots({"08:00", "", ""}), Reason::Scheduled,
         at(2027, 1, 1, 8, 0)},
        {"leapDay", at(2028, 2, 28, 9, 0), slots({"08:00", "", ""}), Reason::Scheduled,
         at(2028, 2, 29, 8, 0)},
        {"invalidSlotSkipped", at(2026, 12, 7, 10, 0), slots({"25:00", "7:5", "21:00"}),
         Reason::Scheduled, at(2026, 12, 7, 21, 0)},
        {"onlyInvalidSlots", at(2026, 12, 7, 10, 0), slots({"25:00", "ab:cd", ""}), Reason::NoTime,
         std::nullopt},
        {"noSlot", at(2026, 12, 7, 10, 0), slots({"", "", ""}), Reason::NoTime, std::nullopt},
        {"noWeekday", at(2026, 12, 7, 10, 0), slots({"08:00", "", ""}, NoDay), Reason::NoWeekday,
         std::nullopt},
    };
    for (const auto& c : cases) {
        const NextStart next = TimerScheduler::nextStartTime(c.now, c.slots);
        EXPECT_EQ(next.reason, c.reason) << c.name;
        EXPECT_EQ(text(next.time), text(c.next)) << c.name;
    }
}

TEST(TimerScheduler, Label) {
    EXPECT_EQ(TimerScheduler::labelText(at(2026, 1, 5, 8, 7)),
              "Timer On：Next Back_Up Time=2026年01月05日08時07分");
    EXPECT_EQ(TimerScheduler::labelText(std::nullopt), "Timer Off");
}

TEST(TimerScheduler, ToggleOnAndOff) {
    TimerScheduler timer;
    EXPECT_EQ(timer.label(), "Timer Off");
    int starts = 0;
    EXPECT_EQ(timer.tick(at(2026, 12, 7, 8, 0), slots({"08:00", "", ""}), [&] { ++starts; }),
              TimerScheduler::Tick::NotDue)
        << "an off timer never starts anything";
    EXPECT_EQ(starts, 0);
    const TimerSlots daily = slots({"08:00", "20:00", ""});

    EXPECT_EQ(timer.toggle(at(2026, 12, 7, 10, 0), daily), TimerScheduler::Toggle::SwitchedOn);
    EXPECT_TRUE(timer.isOn());
    EXPECT_EQ(timer.label(), "Timer On：Next Back_Up Time=2026年12月07日20時00分");

    // Without any start time the toggle changes nothing: the running timer keeps running.
    EXPECT_EQ(timer.toggle(at(2026, 12, 7, 11, 0), slots({"", "", ""})),
              TimerScheduler::Toggle::NoStartTime);
    EXPECT_TRUE(timer.isOn());
    EXPECT_EQ(timer.toggle(at(2026, 12, 7, 11, 0), slots({"08:00", "", ""}, NoDay)),
              TimerScheduler::Toggle::NoStartTime);
    EXPECT_TRUE(timer.isOn());

    EXPECT_EQ(timer.toggle(at(2026, 12, 7, 11, 0), daily), TimerScheduler::Toggle::SwitchedOff);
    EXPECT_FALSE(timer.isOn());
    EXPECT_EQ(timer.label(), "Timer Off");
    EXPECT_EQ(timer.toggle(at(2026, 12, 7, 11, 0), slots({"", "", ""})),
              TimerScheduler::Toggle::NoStartTime);
    EXPECT_FALSE(timer.isOn());
}

TEST(TimerScheduler, TimedStartRearms) {
    struct Case {
        const char* name;
        TimerSlots armedWith;
        DateTime switchedOn;
        DateTime tickAt;
        TimerSlots rearmWith; // the options dialog may have changed them meanwhile
        TimerScheduler::Tick result;
        int starts;
        std::optional<DateTime> next;
    } cases[] = {
        {"notYet", slots({"08:00", "20:00", ""}), at(2026, 12, 7, 7, 0),
         at(2026, 12, 7, 7, 59, 59, 999), slots({"08:00", "20:00", ""}),
         TimerScheduler::Tick::NotDue, 0, at(2026, 12, 7, 8, 0)},
        {"sameDaySecondSlot", slots({"08:00", "20:00", ""}), at(2026, 12, 7, 7, 0),
         at(2026, 12, 7, 8, 0, 0, 400), slots({"08:00", "20:00", ""}),
         TimerScheduler::Tick::Rearmed, 1, at(2026, 12, 7, 20, 0)},
        // A tick at exactly the start time must not arm the same start again.
        {"tickExactlyAtStart", slots({"08:00", "", ""}), at(2026, 12, 7, 7, 0),
         at(2026, 12, 7, 8, 0), slots({"08:00", "", ""}), TimerScheduler::Tick::Rearmed, 1,
         at(2026, 12, 8, 8, 0)},
        // After two days asleep: one start, and the following one counted from the wake-up.
        {"wokenLate", slots({"08:00", "20:00", ""}), at(2026, 12, 5, 7, 0), at(2026, 12, 7, 9, 30),
         slots({"08:00", "20:00", ""}), TimerScheduler::Tick::Rearmed, 1, at(2026, 12, 7, 20, 0)},
        {"weekdayAfterStart", slots({"08:00", "", ""}, MondayOnly), at(2026, 12, 4, 7, 0),
         at(2026, 12, 7, 8, 0, 1), slots({"08:00", "", ""}, MondayOnly),
         TimerScheduler::Tick::Rearmed, 1, at(2026, 12, 14, 8, 0)},
        {"timesRemovedMeanwhile", slots({"08:00", "", ""}), at(2026, 12, 7, 7, 0),
         at(2026, 12, 7, 8, 0, 1), slots({"", "", ""}), TimerScheduler::Tick::Stopped, 1,
         std::nullopt},
    };
    for (const auto& c : cases) {
        TimerScheduler timer;
        ASSERT_EQ(timer.toggle(c.switchedOn, c.armedWith), TimerScheduler::Toggle::SwitchedOn)
            << c.name;
        int starts = 0;
        bool offWhileStarting = false;
        const auto result = timer.tick(c.tickAt, c.rearmWith, [&] {
            ++starts;
            offWhileStarting = !timer.isOn();
        });
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(starts, c.starts) << c.name;
        EXPECT_EQ(offWhileStarting, c.starts > 0) << c.name;
        EXPECT_EQ(text(timer.nextStart()), text(c.next)) << c.name;
        EXPECT_EQ(timer.isOn(), c.next.has_value()) << c.name;
    }
}
