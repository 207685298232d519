#pragma once

#include <string>

namespace unlha {

// Member names between this system's code page (UTF-8; file names here are byte strings)
// and the bytes an archive stores. The LHA programs Japanese users exchange archives with
// store names in code page 932 (Shift_JIS with the Windows extensions), so names are written
// in CP932 whenever they fit and read as CP932 whenever the bytes are CP932.
namespace NameCodec {

// The bytes to store for a name or path: CP932 when every character converts to it and back
// unchanged, otherwise the name's own bytes ("/" stays "/" either way: in CP932 it is never
// part of a two-byte character).
std::string toArchive(const std::string& name);

// The name in this system's code page for stored bytes: their CP932 reading when they are
// valid CP932, otherwise the bytes unchanged (UTF-8 archivers, this library before it wrote
// CP932, and names that were never valid text, which POSIX file names may be). In a Unix
// header (unixHeader), bytes that are UTF-8 of a name CP932 cannot hold are taken as that
// name even where they are valid CP932 too: toArchive stores exactly such names unchanged, so
// every name it writes reads back the same.
std::string fromArchive(const std::string& stored, bool unixHeader);

} // namespace NameCodec
} // namespace unlha
