#include "engine/BGCopyThread.h"

#include "engine/Clock.h"
#include "engine/FatalReporter.h"
#include "engine/UnlhaLibrary.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/ProcessSpawner.h"

#include <exception>

namespace trevane {

struct TBGCopyThread::NativeServices {
    std::unique_ptr<ProcessSpawner> spawner = ProcessSpawner::createNative(executableFolder());
    UnlhaLibrary archiver{UnlhaLibrary::beside(executableFolder())};
    std::unique_ptr<DetachedLauncher> launcher = DetachedLauncher::createNative(executableFolder());
};

TBGCopyThread::TBGCopyThread(RunnerHost& host, QObject* parent)
    : QThread(parent), m_host(host), m_native(std::make_unique<NativeServices>()) {
    launch(RunnerServices{*m_native->spawner, m_native->archiver, *m_native->launcher,
                          Clock::system(), FatalReporter::standard(), systemDateTimeLocale(),
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
