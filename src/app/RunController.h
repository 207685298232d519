#pragma once

#include "engine/JobQueue.h"
#include "jobs/JobDocument.h"
#include "jobs/ProgramFiles.h"
#include "jobs/Settings.h"
#include "jobs/TimerScheduler.h"

#include <QObject>
#include <functional>
#include <string>

class QWidget;

namespace trevane {

class Clock;
class JobFileController;
class JobFileList;

// Run control: the commands that put job files into the queue (the open one, the registered
// list, the selected ones), stop, restart and clear it, the runner's end, and the timer that
// starts the registered list at set times of day. The timer's schedule is its own; a runner is
// started through startRunner, which must start one over the queue's head.
// What the window shows in turn it hears through the signals, synchronously.
//
// Everything passed in must outlive the controller; the dialog parent may be null.
class RunController : public QObject {
    Q_OBJECT

public:
    RunController(JobQueue& queue, JobFileController& jobFiles, JobDocument& doc,
                  const ProgramFiles& files, const Settings& settings, JobFileList& list,
                  QWidget* dialogParent, std::function<void()> startRunner,
                  QObject* parent = nullptr);

    const JobQueue& jobQueue() const { return m_jobQueue; }
    const std::vector<std::string>& queue() const { return m_jobQueue.names(); }
    const TimerScheduler& scheduler() const { return m_scheduler; }
    // The clock the timer reads (the system clock unless a test sets one; null restores it).
    void setClock(Clock* clock);

    // Puts the bare name of a job file into the queue (once) and makes sure a runner runs.
    void QueueJobFile(const std::string& path);

public slots:
    void StartCopyClick();
    void StartJobFileClick();
    void SendSelectedJobFileClick();
    void StopCopyClick();
    void RestartCopyClick();
    void ClearQueClick();
    // The runner has ended; the window has forgotten it already (runnerEnded).
    void OnRunnerTerminate();
    void TimerOnOffClick();
    void TimerTimer();

signals:
    void queueChanged();
    // A stop was asked of a running queue.
    void stopping();
    // The runner has ended: the window forgets it and clears its progress.
    void runnerEnded();
    // The queue ran empty and bExitOnJobEnd is set.
    void closeRequested();
    void timerChanged();

private:
    JobQueue& m_jobQueue;
    JobFileController& m_jobFiles;
    JobDocument& m_doc;
    const ProgramFiles& m_files;
    const Settings& m_settings;
    JobFileList& m_list;
    QWidget* m_dialogParent;
    std::function<void()> m_startRunner;
    TimerScheduler m_scheduler;
    Clock* m_clock;
};

} // namespace trevane
