#include "engine/Clock.h"

#include <chrono>

namespace trevane {

namespace {

class SystemClock : public Clock {
public:
    DateTime now() override {
        const auto stamp = std::chrono::system_clock::now();
        DateTime when = DateTime::fromTime(std::chrono::system_clock::to_time_t(stamp));
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(stamp.time_since_epoch()) % 1000;
        when.millisecond = static_cast<int>(ms.count());
        return when;
    }
};

} // namespace

Clock& Clock::system() {
    static SystemClock clock;
    return clock;
}

} // namespace trevane
