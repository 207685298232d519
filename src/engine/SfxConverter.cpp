#include "engine/SfxConverter.h"

#include "engine/JobCommands.h"
#include "engine/StepResult.h"
#include "platform/DetachedLauncher.h"

namespace trevane {

SfxConverter::SfxConverter(Services services) : m_services(std::move(services)) {}

SfxConverter::Prefill
SfxConverter::prefill(const PathConventions& conventions, std::string_view destination,
                      std::string_view archiveName,
                      const std::function<bool(const std::string&)>& fileExists) {
    std::string path(destination);
    if (!destination.empty())
        path = conventions.withTrailingSeparator(std::move(path));
    path.append(archiveName);
    if (!fileExists(path))
        return {};
    return {path, std::string(destination)};
}

SfxConverter::Result SfxConverter::convert(const std::string& archive, const std::string& folder) {
    Result result;
    if (!m_services.fileExists(archive))
        return result;
    result.commandLine =
        JobCommands::selfExtractingCommand(m_services.conventions, archive, folder);

    const ArchiverLibrary::Result call = m_services.archiver.callUnlha(result.commandLine);
    switch (call.status) {
    case ArchiverLibrary::Status::NotLoaded:
        result.outcome = Outcome::NotLoaded;
        m_services.appendLogLine(NotLoadedLine);
        m_services.saveLogFile(m_services.programFolder);
        return result;
    case ArchiverLibrary::Status::NoEntryPoint:
        result.outcome = Outcome::NoEntryPoint;
        return result;
    case ArchiverLibrary::Status::Called:
        break;
    }
    result.code = call.code;
    // The command line goes into the log whatever the library answered: it is the record of
    // what was attempted. A failure is told after it, as a job's failed step is, so that the
    // log never reads as if the archive had been made.
    m_services.appendLogLine(result.commandLine);
    if (call.code != 0)
        m_services.appendLogLine(
            StepResult{StepResult::Kind::Archiver, "Unlha", StepResult::Outcome::Failed, call.code}
                .failureLine());
    m_services.saveLogFile(m_services.programFolder);
    if (call.code != 0) {
        result.outcome = Outcome::Failed;
        return result;
    }
    result.outcome = Outcome::Done;
    // A folder window is a courtesy: whether it opens is not reported.
    (void)m_services.launcher.start(JobCommands::folderWindowCommand(folder), nullptr);
    return result;
}

} // namespace trevane
