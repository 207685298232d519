#include "engine/BGCopyThread.h"

#include "engine/Clock.h"
#include "engine/FatalReporter.h"
#include "engine/UnlhaLibrary.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/ProcessSpawner.h"

#include <exception>

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
    std::unique_ptr<ProcessSpawner> spawner = ProcessSpawner::createNative(helperFolder());
    UnlhaLibrary archiver{UnlhaLibrary::beside(helperFolder())};
    std::unique_ptr<DetachedLauncher> launcher = DetachedLauncher::createNative(helperFolder());
    std::unique_ptr<FatalReporter> fatal;
};

TBGCopyThread::TBGCopyThread(RunnerHost& host, QObject* parent)
    : QThread(parent), m_host(host), m_native(std::make_unique<NativeServices>()) {
    m_native->fatal = std::make_unique<HostFatalReporter>(*this, host);
    launch(RunnerServices{*m_native->spawner, m_native->archiver, *m_native->launcher,
                          Clock::system(), *m_native->fatal, systemDateTimeLocale(),
                          PathConventions::native()});
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
        [this] { return isInterruptionRequested(); });
    // The object lives on the main thread, so this slot runs there (queued from the runner).
    connect(this, &QThread::finished, this, &TBGCopyThread::finishOnMainThread);
    QThread::start();
}

void TBGCopyThread::Synchronize(const std::function<void()>& op) {
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        this,
        [&op, &error] {
            try {
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

void TBGCopyThread::finishOnMainThread() {
    emit OnTerminate();
    deleteLater();
}

} // namespace trevane
