#pragma once

#include "ByteSource.h"
#include "Decoder.h"
#include "HeaderReader.h"
#include "MemberHeader.h"
#include "Status.h"

#include <memory>
#include <string>
#include <vector>

namespace unlha {

// Walks the members of an archive file, or of an archive appended to a self-extracting
// program. Usage: open(), then next() until it returns End or Error; after a Member, either
// extract() or copyRaw() the data, or just call next() again to skip it.
class ArchiveReader {
public:
    // Marks the end of a self-extracting program: the archive's offset follows, 8 bytes
    // little-endian, as the last bytes of the file.
    static constexpr char kSfxMagic[8] = {'T', 'R', 'V', 'N', 'S', 'F', 'X', '1'};

    ArchiveReader();
    ~ArchiveReader();

    // Code::NotFound when the file does not exist; Code::Damaged when it holds no archive.
    Status open(const std::string& path);
    // Reads from a source the caller keeps alive (tests, fuzzing); no program is skipped.
    void openSource(ByteSource& source);

    HeaderReader::Result next(MemberHeader& header, Status& status,
                              std::vector<uint8_t>* raw = nullptr);

    // Decodes the current member into sink and checks its size and CRC.
    Status extract(const Decoder::Sink& sink);
    // Hands the current member's stored (compressed) bytes to sink unchanged.
    Status copyRaw(const Decoder::Sink& sink);
    // Offset in the file of the current member's data (valid right after next()).
    uint64_t dataOffset() const { return m_dataOffset; }
    // After next() gave End: whether the members read are all the file holds, so that a
    // rewrite loses nothing. Not so when the archive was found behind other bytes (a program,
    // or damage at its start), when a member header follows its end (a member whose first
    // byte was lost), or when a file without members goes on after its first, zero byte.
    bool heldWhole(bool anyMembers) const;

private:
    Status findStart(int fd);

    std::unique_ptr<FileSource> m_file;
    ByteSource* m_source = nullptr;
    Decoder m_decoder;
    MemberHeader m_current;
    bool m_dataPending = false;
    uint64_t m_dataOffset = 0;
    int m_fd = -1;        // the file of m_file, for looks beyond the archive
    uint64_t m_start = 0; // where in the file the archive begins
};

} // namespace unlha
