#include "engine/NativeRunnerServices.h"

#include "engine/Clock.h"
#include "engine/UnlhaLibrary.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/ProcessSpawner.h"

namespace trevane {

NativeRunnerServices::NativeRunnerServices()
    : m_spawner(ProcessSpawner::createNative(helperFolder())),
      m_archiver(std::make_unique<UnlhaLibrary>(UnlhaLibrary::beside(helperFolder()))),
      m_launcher(DetachedLauncher::createNative(helperFolder())) {}

NativeRunnerServices::~NativeRunnerServices() = default;

RunnerServices NativeRunnerServices::services(FatalReporter& fatal) {
    return RunnerServices{*m_spawner,
                          *m_archiver,
                          *m_launcher,
                          Clock::system(),
                          fatal,
                          systemDateTimeLocale(),
                          PathConventions::native()};
}

} // namespace trevane
