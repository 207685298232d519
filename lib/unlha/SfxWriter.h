#pragma once

#include "Status.h"

#include <string>

namespace unlha {

// The s command: a self-extracting archive on POSIX is the extractor program with the
// archive appended and a trailer that says where the archive starts, written as an
// executable named after the archive with ".run" for its extension into the given folder.
class SfxWriter {
public:
    // stubPath is the extractor program (installed beside the library).
    explicit SfxWriter(std::string stubPath) : m_stub(std::move(stubPath)) {}

    // The archive is checked to be readable first; the result replaces an older one
    // atomically. outputFolder empty means the current folder.
    Status write(const std::string& archive, const std::string& outputFolder, std::string& report);

    static std::string outputName(const std::string& archive, const std::string& outputFolder);

private:
    std::string m_stub;
};

} // namespace unlha
