#pragma once

#include "MemberHeader.h"
#include "Status.h"

#include <cstdint>
#include <vector>

namespace unlha {

// Builds level-2 headers: Unix time stamp, name and folder in extended headers (folders
// separated by 0xFF as the format wants, names in CP932 where they fit: see NameCodec),
// POSIX mode, owner, and a header CRC.
class HeaderWriter {
public:
    // Code::TooLarge when a size does not fit the header's 32-bit fields; a name or folder
    // part too long for a header is Code::BadCommand.
    static Status build(const MemberHeader& header, std::vector<uint8_t>& bytes);
};

} // namespace unlha
