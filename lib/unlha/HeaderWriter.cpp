#include "HeaderWriter.h"

#include "Crc16.h"
#include "NameCodec.h"

#include <algorithm>

namespace unlha {
namespace {

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void set16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

} // namespace

Status HeaderWriter::build(const MemberHeader& h, std::vector<uint8_t>& b) {
    if (h.compressedSize > 0xFFFFFFFFu || h.originalSize > 0xFFFFFFFFu)
        return Status(Code::TooLarge, "file of 4 GiB or more: " + h.path);
    // A link is stored as "path|target" split at its last "/" like any name, so a target
    // with folders puts part of itself into the folder field. A folder entry has no name.
    std::string full = NameCodec::toArchive(h.isDirectory() ? h.path + "/"
                                            : h.isSymlink   ? h.path + "|" + h.linkTarget
                                                            : h.path);
    size_t cut = full.rfind('/') + 1; // 0 without a "/"
    std::string folder = full.substr(0, cut), name = full.substr(cut);
    if (folder.find('\xFF') == std::string::npos) {
        std::replace(folder.begin(), folder.end(), '/', '\xFF');
    } else {
        // A folder kept as its own bytes can hold 0xFF, which the folder field would take
        // for a separator; the name field, where "/" separates, then holds the whole path.
        name = folder + name;
        folder.clear();
    }
    if (name.size() > 60000 || folder.size() > 60000)
        return Status(Code::BadCommand, "name too long: " + h.path);

    b.clear();
    put16(b, 0); // total size, set below
    b.insert(b.end(), h.method.begin(), h.method.end());
    put32(b, static_cast<uint32_t>(h.compressedSize));
    put32(b, static_cast<uint32_t>(h.originalSize));
    put32(b, static_cast<uint32_t>(h.mtime));
    b.push_back(0x20);
    b.push_back(2);
    put16(b, h.crc);
    b.push_back('U');
    // Each extended header is preceded by its size, which counts the type byte, the data
    // and the next header's size field.
    auto ext = [&](uint8_t type, const uint8_t* data, size_t n) {
        put16(b, static_cast<uint32_t>(n + 3));
        b.push_back(type);
        b.insert(b.end(), data, data + n);
    };
    uint8_t zero2[2] = {0, 0};
    ext(0x00, zero2, 2);
    size_t crcAt = b.size() - 2;
    ext(0x01, reinterpret_cast<const uint8_t*>(name.data()), name.size());
    if (!folder.empty())
        ext(0x02, reinterpret_cast<const uint8_t*>(folder.data()), folder.size());
    if (h.unixMode) {
        uint8_t m[2] = {static_cast<uint8_t>(*h.unixMode), static_cast<uint8_t>(*h.unixMode >> 8)};
        ext(0x50, m, 2);
    }
    if (h.uid && h.gid) {
        uint8_t o[4] = {static_cast<uint8_t>(*h.gid), static_cast<uint8_t>(*h.gid >> 8),
                        static_cast<uint8_t>(*h.uid), static_cast<uint8_t>(*h.uid >> 8)};
        ext(0x51, o, 4);
    }
    put16(b, 0); // end of the chain
    // A total whose low byte is zero would read as the archive's end mark.
    if ((b.size() & 0xFF) == 0)
        b.push_back(0);
    if (b.size() > 0xFFFF)
        return Status(Code::BadCommand, "name too long: " + h.path);
    set16(b, 0, static_cast<uint32_t>(b.size()));
    set16(b, crcAt, Crc16::of(b.data(), b.size()));
    return {};
}

} // namespace unlha
