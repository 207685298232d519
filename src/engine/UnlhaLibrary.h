#pragma once

#include "engine/ArchiverLibrary.h"

#include <string>
#include <vector>

namespace trevane {

// The real archiver library: the first of a list of candidate files that loads. The program
// uses beside(executableFolder): "libUnlha32.so" in the executable's folder by absolute path
// (a bare name would not be searched there), then the bare name through the system's search.
class UnlhaLibrary : public ArchiverLibrary {
public:
    static constexpr const char* FileName = "libUnlha32.so";
    // Room for the library's messages (which files it left out, and why): a 10-byte buffer
    // would leave the log with a bare return code.
    static constexpr int OutputBufferSize = 64 * 1024;

    explicit UnlhaLibrary(std::vector<std::string> candidates);
    static std::vector<std::string> beside(const std::string& executableFolder);

    Result callUnlha(const std::string& commandLine) override;
    // outputSize is clamped to what the entry point's 32-bit size can say.
    Result callUnlhaWithRoom(const std::string& commandLine, std::size_t outputSize) override;

private:
    std::vector<std::string> m_candidates;
};

} // namespace trevane
