#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace unlha {

// One member's header as read from an archive or about to be written. Paths use "/" between
// folders whatever the archive stored, and are in this system's code page: the reader decodes
// what the archive stored and the writer encodes (NameCodec). They are neither validated nor
// made safe: extraction does that.
struct MemberHeader {
    std::string method = "-lh5-"; // five characters, "-lhd-" for a folder
    int level = 2;
    uint64_t compressedSize = 0;
    uint64_t originalSize = 0;
    int64_t mtime = 0; // seconds since the epoch, UTC
    bool dosTime = false; // mtime came from an MS-DOS time stamp, which keeps even seconds only
    std::string path;  // folder parts and name; a folder entry's path has no trailing "/"
    std::string linkTarget;
    bool isSymlink = false;
    uint16_t crc = 0;
    bool hasCrc = false;
    uint8_t osId = 'U';
    uint8_t dosAttributes = 0x20;
    std::optional<uint16_t> unixMode; // full st_mode bits, type included
    std::optional<uint16_t> uid;
    std::optional<uint16_t> gid;

    bool isDirectory() const { return method == "-lhd-" && !isSymlink; }
};

// The time a header written here holds: an unsigned 32-bit count of seconds (1970 to 2106). A
// file's time outside is kept at the nearest end rather than wrapped round into another century,
// where it would be restored wrong and, as "newer", keep a changed file from being updated.
inline int64_t storableTime(int64_t t) {
    return std::clamp<int64_t>(t, 0, 0xFFFFFFFF);
}

} // namespace unlha
