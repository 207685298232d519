#pragma once

#include "PathConventions.h"
#include "engine/ArchiverLibrary.h"

#include <functional>
#include <string>
#include <string_view>

namespace trevane {

class DetachedLauncher;

// Turns an LHA archive into a self-extracting archive: the work behind the OK button of the
// self-extracting archive dialog, without the dialog. It runs on the main thread and blocks
// until the archiver library is done.
class SfxConverter {
public:
    static constexpr const char* NotLoadedLine = "Unlha32.dll が組込まれていません。";

    // What the converter needs from the program. The references must outlive the converter.
    struct Services {
        std::string programFolder;                             // where the log is saved
        ArchiverLibrary& archiver;                             // loaded for the one call
        DetachedLauncher& launcher;                            // opens the folder window
        std::function<void(const std::string&)> appendLogLine; // the log panel
        std::function<void(const std::string&)> saveLogFile;   // the log file, by folder
        std::function<bool(const std::string&)> fileExists;    // the archive must be a file
        PathConventions conventions = PathConventions::native();
    };

    enum class Outcome {
        MissingArchive, // the archive field names no existing file; nothing was run
        NotLoaded,      // the library could not be loaded; logged
        NoEntryPoint,   // the library has no Unlha; nothing logged
        Failed,         // Unlha returned code (non-zero); the command line is logged
        Done,           // Unlha succeeded; logged and the folder window started
    };
    struct [[nodiscard]] Result {
        Outcome outcome = Outcome::MissingArchive;
        int code = 0;            // Unlha's result when it was called
        std::string commandLine; // the command handed to Unlha, when it got that far
    };

    explicit SfxConverter(Services services);

    struct Prefill {
        std::string archive; // the archive field; empty when the row names no existing file
        std::string folder;  // the output folder text; set together with archive
    };
    // The fields the dialog starts with, from the current row's destination folder and
    // archive name, taken literally (a "%t" in the name is not expanded, so nothing is found).
    static Prefill prefill(const PathConventions& conventions, std::string_view destination,
                           std::string_view archiveName,
                           const std::function<bool(const std::string&)>& fileExists);

    // Converts archive into a self-extracting archive in folder: builds the command line,
    // calls Unlha, logs the command line and saves the log into the program folder, then
    // opens a folder window on folder. Stops at the first failing step (see Outcome); the
    // folder window is opened only after a success.
    Result convert(const std::string& archive, const std::string& folder);

private:
    Services m_services;
};

} // namespace trevane
