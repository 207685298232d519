#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace trevane {

// Measures how long the main thread's event loop goes without a turn, the time in which the
// window cannot answer: a precise 5 ms timer notes the longest time between two of its ticks,
// from the first tick on, and the destructor prints it to standard error as
// "trevane: longest event-loop gap 12.3 ms". The program creates one only when the environment
// variable TREVANE_LOOP_GAP is set (the job benchmark does).
class LoopGapMeter : public QObject {
    Q_OBJECT
public:
    LoopGapMeter();
    ~LoopGapMeter() override;

    // The longest gap so far, in milliseconds (0 before the second tick).
    double longestMs() const { return static_cast<double>(m_longestNs) / 1e6; }

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = -1;
    qint64 m_longestNs = 0;
};

} // namespace trevane
