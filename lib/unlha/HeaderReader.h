#pragma once

#include "ByteSource.h"
#include "MemberHeader.h"
#include "Status.h"

#include <cstdint>
#include <vector>

namespace unlha {

// Reads member headers of levels 0 to 3. Every length and offset is checked against the
// bytes actually read and against the header's own size fields, and the checksum (levels 0
// and 1) or header CRC (levels 2 and 3, when stored) must match; nothing is trusted.
class HeaderReader {
public:
    enum class Result { Member, End, Error };

    // Reads the next header from source, which is left at the member's data. End means the
    // archive's end mark or the end of the input. raw, when given, receives the header's
    // bytes as stored, for copying the member into a new archive unchanged.
    static Result read(ByteSource& source, MemberHeader& header, Status& status,
                       std::vector<uint8_t>* raw = nullptr);

    // Parses a complete header held in memory (what read() collected).
    static Status parse(const std::vector<uint8_t>& bytes, MemberHeader& header);

    // True when the bytes at data look like the start of a header: used to find an archive
    // behind a self-extracting program.
    static bool looksLikeHeader(const uint8_t* data, size_t size);
};

// Local time conversions for the MS-DOS time stamps of level-0 and level-1 headers.
int64_t dosTimeToUnix(uint32_t dos);
uint32_t unixToDosTime(int64_t t);

} // namespace unlha
