#pragma once

#include "Status.h"
#include "UniqueFd.h"
#include "UnnamedFiles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace unlha {

// A file written completely or not at all: the bytes go to a file without a name in the
// target's folder, and commit() flushes it to disk and links it in over the target. Destroyed
// without commit() (an error, a full disk), or the program killed meanwhile, it leaves nothing
// behind and the target stays as it was. (Where the file system cannot hold unnamed files, a
// hidden temporary file is renamed instead.)
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // A target that is a symbolic link to a file is followed: that file is replaced and the
    // link stays; a link to nothing is replaced by the new file. A link of another user than
    // the program's and root is refused (trevane::untrustedLink), as is a target that is no
    // regular file (a FIFO, a device). A new file gets the permission bits `mode` less the
    // umask, as any new file does; an existing one keeps its own. The folder must exist.
    [[nodiscard]] Status create(const std::string& target, unsigned mode);
    bool write(const uint8_t* data, size_t size);
    // Writes buffered bytes out and returns the descriptor, for copying large pieces.
    int flushedFd();
    [[nodiscard]] Status commit();
    const std::string& target() const { return m_target; }

    static bool writeAll(int fd, const uint8_t* data, size_t size);

private:
    bool flush();
    void closeAll();

    std::string m_target; // as given, for messages
    std::string m_name;   // the last part of the file finally written
    std::string m_temp;   // the named temporary file, when one is used
    trevane::UniqueFd m_folderFd; // the folder of the file finally written
    trevane::UniqueFd m_fd;
    std::optional<unsigned> m_keepMode; // the replaced file's permission bits
    bool m_failed = false;
    std::vector<uint8_t> m_buffer;
    trevane::UnnamedFiles m_unnamed{"unlha"};
};

} // namespace unlha
