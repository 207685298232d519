#include "HeaderReader.h"

#include "PathConventions.h"

#include "Crc16.h"
#include "NameCodec.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace unlha {
namespace {

constexpr size_t kMaxHeader = 1 << 20; // level 3 sizes are 32 bits wide; no real header is near

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t le64(const uint8_t* p) {
    return static_cast<uint64_t>(le32(p)) | static_cast<uint64_t>(le32(p + 4)) << 32;
}

Status damaged(const char* what) {
    return Status(Code::Damaged, std::string("damaged header: ") + what);
}

bool readMore(ByteSource& source, std::vector<uint8_t>& bytes, size_t count) {
    size_t old = bytes.size();
    bytes.resize(old + count);
    size_t got = source.read(bytes.data() + old, count);
    bytes.resize(old + got);
    return got == count;
}

std::string bytesOf(const uint8_t* p, size_t n) {
    return std::string(reinterpret_cast<const char*>(p), n);
}

// Systems whose names have "\" between folders: MS-DOS, OS/2, Windows, Atari TOS, Human68k,
// writers that name no system, and the OS-9 port, which writes MS-DOS style names. Elsewhere,
// Unix above all, "\" is a character of the name.
bool backslashSeparates(uint8_t osId) {
    switch (osId) {
    case 0:
    case ' ':
    case 'M':
    case '2':
    case 'W':
    case 'w':
    case 'a':
    case 'H':
    case '9':
        return true;
    default:
        return false;
    }
}

struct Extensions {
    std::string name;
    std::string folder;
    bool haveName = false;
    bool haveFolder = false;
    bool haveHeaderCrc = false;
    size_t headerCrcOffset = 0;
    uint16_t headerCrc = 0;
};

// Walks the chain of extended headers in bytes[pos, limit), whose first size is next. Size
// fields are sizeWidth bytes wide and count themselves as part of the previous header.
Status parseExtensions(const std::vector<uint8_t>& bytes, size_t pos, size_t limit, size_t next,
                       size_t sizeWidth, MemberHeader& h, Extensions& ext) {
    int guard = 0;
    while (next != 0) {
        if (++guard > 4096)
            return damaged("too many extended headers");
        if (next < 1 + sizeWidth || next > limit - pos || pos > limit)
            return damaged("extended header size");
        const uint8_t* e = bytes.data() + pos;
        const uint8_t* d = e + 1;
        size_t n = next - 1 - sizeWidth;
        switch (e[0]) {
        case 0x00:
            if (n >= 2) {
                ext.haveHeaderCrc = true;
                ext.headerCrcOffset = pos + 1;
                ext.headerCrc = le16(d);
            }
            break;
        case 0x01:
            ext.name = bytesOf(d, n);
            ext.haveName = true;
            break;
        case 0x02:
            // 0xFF between folders: never a byte of a CP932 or UTF-8 character.
            ext.folder = bytesOf(d, n);
            std::replace(ext.folder.begin(), ext.folder.end(), '\xFF', '/');
            ext.haveFolder = true;
            break;
        case 0x40:
            if (n >= 1)
                h.dosAttributes = d[0];
            break;
        case 0x42:
            if (n >= 16) {
                h.compressedSize = le64(d);
                h.originalSize = le64(d + 8);
            }
            break;
        case 0x50:
            if (n >= 2)
                h.unixMode = le16(d);
            break;
        case 0x51:
            if (n >= 4) {
                h.gid = le16(d);
                h.uid = le16(d + 2);
            }
            break;
        case 0x54:
            if (n >= 4) {
                h.mtime = le32(d);
                h.dosTime = false;
            }
            break;
        default:
            break;
        }
        pos += next;
        const uint8_t* s = bytes.data() + pos - sizeWidth;
        next = sizeWidth == 2 ? le16(s) : le32(s);
    }
    return {};
}

std::string lowerCaseDosName(std::string name);

Status finish(MemberHeader& h, const std::string& baseName, const Extensions& ext) {
    std::string stored;
    if (ext.haveFolder && !ext.folder.empty()) {
        stored = ext.folder;
        if (stored.back() != '/')
            stored += '/';
    }
    stored += ext.haveName ? ext.name : baseName;
    // The stored bytes are decoded before a "\" is taken for a separator: in CP932 it is
    // also the second byte of characters such as "ソ" or "表".
    std::string path = NameCodec::fromArchive(stored, h.osId == 'U');
    if (backslashSeparates(h.osId))
        std::replace(path.begin(), path.end(), '\\', '/');
    if (h.osId == 0 || h.osId == 'M' || h.osId == '2' || h.osId == 'a' || h.osId == 'w' ||
        h.osId == 'W')
        path = lowerCaseDosName(std::move(path));
    // Unix archivers store a symbolic link as "name|target".
    bool linkMode = h.unixMode && (*h.unixMode & 0170000) == 0120000;
    size_t bar = path.find('|');
    if (bar != std::string::npos && (linkMode || h.method == "-lhd-")) {
        h.isSymlink = true;
        h.linkTarget = path.substr(bar + 1);
        path.erase(bar);
    }
    path = trevane::PathConventions::withoutTrailingSeparators(std::move(path));
    // Some writers leave a folder entry of the base folder itself with no name.
    if ((path.empty() || path == "/") && !(h.method == "-lhd-" && !h.isSymlink))
        return damaged("empty name");
    h.path = std::move(path);
    if (h.method.size() != 5 || h.method[0] != '-' || h.method[4] != '-')
        return damaged("method");
    if (h.isDirectory() || h.isSymlink) {
        h.compressedSize = 0;
        h.originalSize = 0;
    }
    return {};
}

// MS-DOS, Windows, OS/2 and Atari archivers stored names in capitals; other readers show such names
// in small letters, and so do we, so that extracted paths agree. Mixed case is left alone.
std::string lowerCaseDosName(std::string name) {
    for (char c : name)
        if (c >= 'a' && c <= 'z')
            return name;
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

Status parseLevel01(const std::vector<uint8_t>& b, MemberHeader& h) {
    size_t total = static_cast<size_t>(b[0]) + 2;
    if (b.size() < total || total < 22)
        return damaged("size");
    uint8_t sum = 0;
    for (size_t i = 2; i < total; ++i)
        sum = static_cast<uint8_t>(sum + b[i]);
    if (sum != b[1])
        return damaged("checksum");
    h.level = b[20];
    h.method.assign(reinterpret_cast<const char*>(b.data() + 2), 5);
    h.compressedSize = le32(b.data() + 7);
    h.originalSize = le32(b.data() + 11);
    h.mtime = dosTimeToUnix(le32(b.data() + 15));
    h.dosTime = true;
    h.dosAttributes = b[19];
    size_t nameLen = b[21];
    if (22 + nameLen > total)
        return damaged("name length");
    std::string name = bytesOf(b.data() + 22, nameLen);
    // Amiga archivers put a file comment after a zero byte in the name.
    if (size_t zero = name.find('\0'); zero != std::string::npos)
        name.erase(zero);
    size_t after = 22 + nameLen;
    Extensions ext;
    if (h.level == 0) {
        h.osId = 0;
        if (after + 2 <= total) {
            h.crc = le16(b.data() + after);
            h.hasCrc = true;
            after += 2;
        }
        // An extended area after the CRC: the system id, and for Unix the time stamp,
        // mode and owner.
        if (after < total) {
            h.osId = b[after];
            if (h.osId == 'U' && total - after >= 12) {
                h.mtime = le32(b.data() + after + 2);
                h.dosTime = false;
                h.unixMode = le16(b.data() + after + 6);
                h.uid = le16(b.data() + after + 8);
                h.gid = le16(b.data() + after + 10);
            }
        }
        return finish(h, name, ext);
    }
    // Level 1: CRC, system id, then the first extended header's size as the last two bytes.
    if (after + 5 > total)
        return damaged("level 1 size");
    h.crc = le16(b.data() + after);
    h.hasCrc = true;
    h.osId = b[after + 2];
    size_t next = le16(b.data() + total - 2);
    Status s = parseExtensions(b, total, b.size(), next, 2, h, ext);
    if (!s.ok())
        return s;
    // The stored size covered the extended headers too.
    uint64_t extSize = b.size() - total;
    if (h.compressedSize < extSize)
        return damaged("level 1 extended headers larger than the member");
    h.compressedSize -= extSize;
    return finish(h, name, ext);
}

Status parseLevel23(const std::vector<uint8_t>& b, MemberHeader& h) {
    h.level = b[20];
    bool three = h.level == 3;
    size_t base = three ? 32 : 26;
    if (b.size() < base)
        return damaged("size");
    h.method.assign(reinterpret_cast<const char*>(b.data() + 2), 5);
    h.compressedSize = le32(b.data() + 7);
    h.originalSize = le32(b.data() + 11);
    h.mtime = le32(b.data() + 15);
    h.crc = le16(b.data() + 21);
    h.hasCrc = true;
    h.osId = b[23];
    size_t total = three ? le32(b.data() + 24) : le16(b.data());
    if (total > b.size() || total < base)
        return damaged("size");
    total = b.size(); // read() followed the chain past a size field that counted short
    size_t next = three ? le32(b.data() + 28) : le16(b.data() + 24);
    Extensions ext;
    Status s = parseExtensions(b, base, total, next, three ? 4 : 2, h, ext);
    if (!s.ok())
        return s;
    if (ext.haveHeaderCrc) {
        std::vector<uint8_t> copy(b);
        copy[ext.headerCrcOffset] = copy[ext.headerCrcOffset + 1] = 0;
        if (Crc16::of(copy.data(), copy.size()) != ext.headerCrc)
            return damaged("header CRC");
    }
    return finish(h, std::string(), ext);
}

} // namespace

bool HeaderReader::looksLikeHeader(const uint8_t* p, size_t size) {
    if (size < 22)
        return false;
    if (p[2] != '-' || p[3] != 'l' || (p[4] != 'h' && p[4] != 'z') || p[6] != '-')
        return false;
    return p[20] <= 3;
}

HeaderReader::Result HeaderReader::read(ByteSource& source, MemberHeader& header, Status& status,
                                        std::vector<uint8_t>* raw) {
    std::vector<uint8_t> local;
    std::vector<uint8_t>& b = raw ? *raw : local;
    b.clear();
    if (!readMore(source, b, 1) || b[0] == 0)
        return source.failed() ? (status = Status(Code::Io, "read error"), Result::Error)
                               : Result::End;
    if (!readMore(source, b, 21)) {
        status = damaged("archive ends inside a header");
        return Result::Error;
    }
    int level = b[20];
    size_t want = 0;
    if (level == 0 || level == 1) {
        want = static_cast<size_t>(b[0]) + 2;
    } else if (level == 2) {
        want = le16(b.data());
    } else if (level == 3) {
        if (le16(b.data()) != 4 || !readMore(source, b, 10)) {
            status = damaged("level 3 size");
            return Result::Error;
        }
        want = le32(b.data() + 24);
    } else {
        status = damaged("unknown header level");
        return Result::Error;
    }
    // Every header of its level is at least this long; the code below reads that much unchecked.
    const size_t fixedPart = level == 2 ? 26 : b.size();
    if (want < fixedPart || want > kMaxHeader) {
        status = damaged("size");
        return Result::Error;
    }
    if (!readMore(source, b, want - b.size())) {
        status = damaged("archive ends inside a header");
        return Result::Error;
    }
    if (level == 1) {
        // Level 1 keeps its extended headers outside the counted size; follow the chain.
        size_t next = b.size() >= 2 ? le16(b.data() + b.size() - 2) : 0;
        int guard = 0;
        while (next != 0) {
            if (next < 3 || b.size() + next > kMaxHeader || ++guard > 4096 ||
                !readMore(source, b, next)) {
                status = damaged("extended header");
                return Result::Error;
            }
            next = le16(b.data() + b.size() - 2);
        }
    }
    if (level == 2) {
        // Some writers count the header two bytes short; the chain of extended headers is
        // what tells where the data begins.
        size_t pos = 26;
        size_t next = le16(b.data() + 24);
        int guard = 0;
        while (next != 0) {
            if (next < 3 || ++guard > 4096 || pos + next > kMaxHeader) {
                status = damaged("extended header");
                return Result::Error;
            }
            if (pos + next > b.size() && !readMore(source, b, pos + next - b.size())) {
                status = damaged("archive ends inside a header");
                return Result::Error;
            }
            pos += next;
            next = le16(b.data() + pos - 2);
        }
    }
    header = MemberHeader{};
    status = parse(b, header);
    return status.ok() ? Result::Member : Result::Error;
}

Status HeaderReader::parse(const std::vector<uint8_t>& bytes, MemberHeader& header) {
    if (bytes.size() < 22)
        return damaged("size");
    switch (bytes[20]) {
    case 0:
    case 1:
        return parseLevel01(bytes, header);
    case 2:
    case 3:
        return parseLevel23(bytes, header);
    default:
        return damaged("unknown header level");
    }
}

int64_t dosTimeToUnix(uint32_t dos) {
    std::tm tm{};
    tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
    tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    tm.tm_mon = static_cast<int>(((dos >> 21) & 0x0F)) - 1;
    tm.tm_year = static_cast<int>(((dos >> 25) & 0x7F)) + 80;
    tm.tm_isdst = -1;
    time_t t = std::mktime(&tm);
    return t == static_cast<time_t>(-1) ? 0 : static_cast<int64_t>(t);
}

uint32_t unixToDosTime(int64_t t) {
    time_t tt = static_cast<time_t>(t);
    std::tm tm{};
    if (!localtime_r(&tt, &tm) || tm.tm_year < 80)
        return (1u << 21) | (1u << 16); // 1980-01-01, the earliest a DOS stamp can say
    if (tm.tm_year > 80 + 127)
        tm.tm_year = 80 + 127;
    return static_cast<uint32_t>(tm.tm_sec / 2) | static_cast<uint32_t>(tm.tm_min) << 5 |
           static_cast<uint32_t>(tm.tm_hour) << 11 | static_cast<uint32_t>(tm.tm_mday) << 16 |
           static_cast<uint32_t>(tm.tm_mon + 1) << 21 |
           static_cast<uint32_t>(tm.tm_year - 80) << 25;
}

} // namespace unlha
