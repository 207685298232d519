#include "app/LoopGapMeter.h"

#include <algorithm>
#include <cstdio>

namespace trevane {

LoopGapMeter::LoopGapMeter() {
    m_clock.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &LoopGapMeter::tick);
    m_timer.start();
}

LoopGapMeter::~LoopGapMeter() {
    std::fprintf(stderr, "trevane: longest event-loop gap %.1f ms\n", longestMs());
}

void LoopGapMeter::tick() {
    const qint64 now = m_clock.nsecsElapsed();
    if (m_lastNs >= 0)
        m_longestNs = std::max(m_longestNs, now - m_lastNs);
    m_lastNs = now;
}

} // namespace trevane
