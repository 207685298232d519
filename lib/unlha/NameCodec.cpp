#include "NameCodec.h"

#include <iconv.h>

namespace unlha::NameCodec {

namespace {

bool isAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The whole of in converted with glibc's iconv, or false when any byte sequence is invalid
// in the source code page or has no spelling in the target one.
bool convert(const char* to, const char* from, const std::string& in, std::string& out) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.assign(in.size() * 3 + 4, '\0'); // a CP932 byte becomes at most 3 UTF-8 bytes
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    bool whole = r != static_cast<size_t>(-1) && srcLeft == 0 &&
                 ::iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1);
    ::iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return whole;
}

bool isUtf8(const std::string& s) {
    std::string ignored;
    return convert("UTF-8", "UTF-8", s, ignored);
}

} // namespace

std::string toArchive(const std::string& name) {
    if (isAscii(name))
        return name;
    // glibc maps some characters to CP932 one way only (U+00A5 to 0x5C, U+203E to 0x7E);
    // such a name would come back as another name, so it keeps its own bytes.
    std::string cp932, back;
    if (convert("CP932", "UTF-8", name, cp932) && convert("UTF-8", "CP932", cp932, back) &&
        back == name)
        return cp932;
    return name;
}

std::string fromArchive(const std::string& stored, bool unixHeader) {
    if (isAscii(stored))
        return stored;
    // A Unix header whose bytes are UTF-8 that CP932 cannot hold is a name this writer (or a
    // UTF-8 archiver) kept as it was: "café" is stored as C3 A9, which CP932 would read as
    // two half-width katakana.
    if (unixHeader && toArchive(stored) == stored && isUtf8(stored))
        return stored;
    std::string name;
    if (!convert("UTF-8", "CP932", stored, name))
        return stored;
    return name;
}

} // namespace unlha::NameCodec
