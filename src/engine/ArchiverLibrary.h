#pragma once

#include <string>

namespace trevane {

// The archiver library as the runner uses it: loaded for one call, its entry point "Unlha"
// called with a null window handle, the command line and a 10-byte output buffer, unloaded
// again.
class ArchiverLibrary {
public:
    enum class Status {
        NotLoaded,    // the library could not be loaded
        NoEntryPoint, // it has no "Unlha"
        Called,       // Unlha ran; code is its result (0 = success)
    };
    struct [[nodiscard]] Result {
        Status status = Status::NotLoaded;
        int code = -1;
    };

    virtual ~ArchiverLibrary() = default;

    // Loads the library, calls Unlha(nullptr, commandLine, buffer, 10) and unloads it. Blocks
    // until the library has finished the command.
    virtual Result callUnlha(const std::string& commandLine) = 0;
};

} // namespace trevane
