#pragma once

#include "jobs/DateTimePattern.h"

namespace trevane {

// The current local date and time, behind an interface so that tests can fix it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() = 0;

    // The system clock in local time. Usable from any thread.
    static Clock& system();
};

} // namespace trevane
