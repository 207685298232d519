#pragma once

#include "jobs/DateTimePattern.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace trevane {

struct Settings;

// The start times and weekdays of the timer, as the settings hold them.
struct TimerSlots {
    std::array<std::string, 3> times; // asTime0..asTime2; empty: slot not used
    std::array<bool, 7> weekdays{true, true, true, true, true, true, true}; // Sunday first

    static TimerSlots fromSettings(const Settings& settings);
};

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    bool operator==(const TimeOfDay&) const = default;
};

// When the timer next starts the registered job files, or why it cannot.
struct NextStart {
    enum class Reason {
        Scheduled, // `time` holds the next start time
        NoTime,    // no slot holds a valid time of day
        NoWeekday, // times are set but no weekday is enabled
    };
    Reason reason = Reason::NoTime;
    std::optional<DateTime> time;
};

// The timer that starts the registered job files at up to three times of day on chosen weekdays,
// without the widget: the window owns the one-second tick, the label and the menu items, and
// reads the clock; it passes the present time in and shows what comes back.
//
// States: off (the start state) and on, with the next start time. The next start time is
// computed only when the timer is switched on, and again after each timed start.
class TimerScheduler {
public:
    static constexpr std::string_view NoTimeMessage = "時刻を設定してください";
    static constexpr std::string_view OffLabel = "Timer Off";

    // A start time as the options dialog writes it: one or two hour digits, a colon and two
    // minute digits, blanks around it allowed; 0:00 to 23:59. Anything else ("25:00", "7:5",
    // "ab:cd", "") is not a time of day.
    static std::optional<TimeOfDay> parseTimeOfDay(std::string_view text);

    // The next start time after `now`: the earliest of the slots' times today, each moved to
    // tomorrow when now is later than it (a slot at exactly now counts for today; of equal times
    // the earlier slot wins), then moved on by whole days, time kept, to the first enabled
    // weekday. The search stops after seven days. A slot that is not a valid time of day counts
    // as unused.
    static NextStart nextStartTime(const DateTime& now, const TimerSlots& slots);

    // "Timer On：Next Back_Up Time=2026年12月07日20時00分" for a start time, "Timer Off" without.
    static std::string labelText(const std::optional<DateTime>& nextStart);
    // The captions of the menu item and of the tray menu item in the given state.
    static std::string_view menuCaption(bool on) {
        return on ? "タイマー停止(&T)" : "タイマー起動(&T)";
    }
    static std::string_view trayCaption(bool on) { return on ? "タイマー停止" : "タイマー起動"; }

    enum class Toggle {
        SwitchedOn,  // the tick should run; the label shows the next start time
        SwitchedOff, // the tick should stop; the label reads "Timer Off"
        NoStartTime, // no valid time, or no weekday: show NoTimeMessage; the timer keeps its
                     // state, on or off
    };
    // The toggle command: computes the next start time first; without one nothing changes
    // (also a running timer keeps running); otherwise an on timer goes off, an off timer on.
    Toggle toggle(const DateTime& now, const TimerSlots& slots);

    enum class Tick {
        NotDue,  // nothing happened
        Rearmed, // the jobs were started and the timer is on with the following start time
        Stopped, // the jobs were started but no following start time exists: the timer is off
    };
    // One tick of the running timer. When the next start time has come (it is not later than
    // now): the timer goes off, startRegisteredJobs runs, and the timer is switched on again with
    // the following start time, which is always later than the one just started. A timer that
    // is off does nothing.
    Tick tick(const DateTime& now, const TimerSlots& slots,
              const std::function<void()>& startRegisteredJobs);

    bool isOn() const { return m_on; }
    // Set while the timer is on.
    const std::optional<DateTime>& nextStart() const { return m_next; }
    std::string label() const { return labelText(m_next); }

private:
    bool m_on = false;
    std::optional<DateTime> m_next;
};

// Calendar helpers the scheduler needs; exposed for its tests and the window.
// Negative when a is earlier than b, zero when equal, positive when later (milliseconds kept).
int compareDateTime(const DateTime& a, const DateTime& b);
// The same time of day `days` calendar days later (or earlier when negative).
DateTime addDays(const DateTime& when, int days);

} // namespace trevane
