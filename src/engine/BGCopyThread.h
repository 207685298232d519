#pragma once

#include "engine/JobRunner.h"
#include "engine/LogBatch.h"

#include <QThread>

#include <exception>
#include <functional>
#include <memory>

namespace trevane {

class RunnerHost;

// The background runner: a thread that works through the queue of job files while the main
// window stays usable (see JobRunner for the work itself).
//
// Create it on the main thread, and only when no runner exists; it starts at once and its first
// step waits for the main thread, so connecting OnTerminate right after construction is in time.
// It reaches the main window only through Synchronize, which runs each host operation on the
// main thread and waits for it, so the main thread must keep processing events while it exists
// and must never wait for it with a plain wait(). Log lines alone do not wait: they gather in a
// batch that the main thread hands to the host's addLogLines once per turn of its event loop,
// and always before the next synchronized operation and before OnTerminate. When the queue is done
// (or a stop request is seen) it emits OnTerminate on the main thread and then deletes itself
// (FreeOnTerminate).
class TBGCopyThread : public QThread {
    Q_OBJECT
public:
    // With the real services of this platform: children, archiver library and helper programs
    // beside the executable, the system clock and locale.
    explicit TBGCopyThread(RunnerHost& host, QObject* parent = nullptr);
    // With the given services (tests); they must outlive the thread.
    TBGCopyThread(RunnerHost& host, RunnerServices services, QObject* parent = nullptr);
    ~TBGCopyThread() override;

    // Runs op on the main thread, after the log lines posted before, and waits until it has run
    // there; what op throws, or what the host threw for those lines, is thrown again here. Only
    // for the runner thread.
    void Synchronize(const std::function<void()>& op);

signals:
    // The runner has ended; delivered on the main thread just before the object deletes itself.
    void OnTerminate();

protected:
    void run() override; // Execute

private:
    struct NativeServices;
    void launch(RunnerServices services);
    void finishOnMainThread();
    void postLogLine(const std::string& message, int maxLogLines);
    void applyLogBatch();

    RunnerHost& m_host;
    std::unique_ptr<NativeServices> m_native;
    std::unique_ptr<JobRunner> m_runner;
    LogBatch m_logBatch;
    std::exception_ptr m_logError; // the host's error for a batch, until the runner sees it
};

} // namespace trevane
