#pragma once

#include <cstddef>
#include <string>

namespace trevane {

// The archiver library as the runner uses it: loaded for one call, its entry point "Unlha"
// called with a null window handle, the command line and an output buffer large enough for
// its messages, unloaded again.
class ArchiverLibrary {
public:
    // The return code of an archive made with the files that could not be read, or were too
    // large, left out (its output names them).
    static constexpr int FilesLeftOut = 11;

    enum class Status {
        NotLoaded,    // the library could not be loaded
        NoEntryPoint, // it has no "Unlha"
        Called,       // Unlha ran; code is its result (0 = success)
    };
    struct [[nodiscard]] Result {
        Status status = Status::NotLoaded;
        int code = -1;
        std::string output = {}; // what the library wrote into the output buffer
    };

    virtual ~ArchiverLibrary() = default;

    // Loads the library, calls Unlha(nullptr, commandLine, buffer, size) and unloads it. Blocks
    // until the library has finished the command.
    virtual Result callUnlha(const std::string& commandLine) = 0;

    // The same with room for outputSize bytes of output, for the commands whose report has a
    // line per member (a listing, an extraction), which a fixed buffer would cut short. A
    // library without a buffer of its own (a test's stand-in) answers as callUnlha.
    virtual Result callUnlhaWithRoom(const std::string& commandLine, std::size_t outputSize) {
        (void)outputSize;
        return callUnlha(commandLine);
    }
};

} // namespace trevane
