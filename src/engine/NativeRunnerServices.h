#pragma once

#include "engine/ArchiverLibrary.h"
#include "engine/JobRunner.h"

#include <memory>

namespace trevane {

class FatalReporter;

// The real services of this platform for the runner, owned together: children, the archiver
// library and the helper programs beside the executable, the system clock and locale. The
// window's background thread and the command-line run both use them; only where an internal
// check's failure is shown differs, so each passes its own reporter.
class NativeRunnerServices {
public:
    NativeRunnerServices();
    ~NativeRunnerServices();
    NativeRunnerServices(const NativeRunnerServices&) = delete;
    NativeRunnerServices& operator=(const NativeRunnerServices&) = delete;

    // The services for one runner; fatal must outlive it, and so must this object.
    RunnerServices services(FatalReporter& fatal);

private:
    std::unique_ptr<ProcessSpawner> m_spawner;
    std::unique_ptr<ArchiverLibrary> m_archiver;
    std::unique_ptr<DetachedLauncher> m_launcher;
};

} // namespace trevane
