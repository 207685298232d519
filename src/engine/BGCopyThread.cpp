#include "engine/BGCopyThread.h"

#include "engine/FatalReporter.h"
#include "engine/NativeRunnerServices.h"

#include <exception>
#include <utility>

namespace trevane {

namespace {

// The real side of the internal checks: the host shows the message on the main thread, then the
// program ends as a failed assertion does.
class HostFatalReporter : public FatalReporter {
public:
    explicit HostFatalReporter(TBGCopyThread& thread, RunnerHost& host)
        : m_thread(thread), m_host(host) {}
    void fail(std::string_view check, int line) override {
        const std::string text = message(check, line);
        try {
            m_thread.Synchronize([this, &text] { m_host.showFatalMessage(text); });
        } catch (...) {
            // Ending the program is what matters now.
        }
        FatalReporter::standard().fail(check, line);
    }

private:
    TBGCopyThread& m_thread;
    RunnerHost& m_host;
};

} // namespace

struct TBGCopyThread::NativeServices {
    NativeRunnerServices native;
    std::unique_ptr<FatalReporter> fatal;
};

TBGCopyThread::TBGCopyThread(RunnerHost& host, QObject* parent)
    : QThread(parent), m_host(host), m_native(std::make_unique<NativeServices>()) {
    m_native->fatal = std::make_unique<HostFatalReporter>(*this, host);
    launch(m_native->native.services(*m_native->fatal));
}

TBGCopyThread::TBGCopyThread(RunnerHost& host, RunnerServices services, QObject* parent)
    : QThread(parent), m_host(host) {
    launch(std::move(services));
}

TBGCopyThread::~TBGCopyThread() {
    // finished has been emitted by now, but the thread may still be leaving its last lines.
    wait();
}

void TBGCopyThread::launch(RunnerServices services) {
    m_runner = std::make_unique<JobRunner>(
        m_host, std::move(services), [this](const std::function<void()>& op) { Synchronize(op); },
        [this] { return isInterruptionRequested(); },
        [this](const std::string& message, int maxLogLines) { postLogLine(message, maxLogLines); });
    // The object lives on the main thread, so this slot runs there (queued from the runner).
    connect(this, &QThread::finished, this, &TBGCopyThread::finishOnMainThread);
    QThread::start();
}

void TBGCopyThread::Synchronize(const std::function<void()>& op) {
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        this,
        [this, &op, &error] {
            // The batch posted before this call has been taken by now: queued calls to one
            // object run in the order they were posted.
            try {
                if (m_logError)
                    std::rethrow_exception(std::exchange(m_logError, nullptr));
                op();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error)
        std::rethrow_exception(error);
}

void TBGCopyThread::run() {
    try {
        m_runner->Execute();
    } catch (...) {
        // Execute keeps its errors to itself; nothing may escape a thread body.
    }
}

void TBGCopyThread::postLogLine(const std::string& message, int maxLogLines) {
    if (m_logBatch.add(message, maxLogLines))
        QMetaObject::invokeMethod(this, &TBGCopyThread::applyLogBatch, Qt::QueuedConnection);
}

// Main thread: hands every posted line to the host at once. An error is kept for the runner's
// next synchronized call, as a waiting call would have thrown it there.
void TBGCopyThread::applyLogBatch() {
    const std::vector<LogLines::Entry> entries = m_logBatch.take();
    if (entries.empty())
        return;
    try {
        m_host.addLogLines(entries);
    } catch (...) {
        if (!m_logError)
            m_logError = std::current_exception();
    }
}

void TBGCopyThread::finishOnMainThread() {
    applyLogBatch();
    emit OnTerminate();
    deleteLater();
}

} // namespace trevane
