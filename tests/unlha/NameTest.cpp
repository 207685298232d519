// Member names: what is stored for a name, and what a stored name means for each writer's
// system. Headers are built byte by byte here, the way other programs write them.
#include "Crc16.h"
#include "Extractor.h"
#include "HeaderReader.h"
#include "NameCodec.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace unlha;
using namespace unlhatest;

namespace {

void put16(std::string& b, size_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8 & 0xFF);
}
void put32(std::string& b, size_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A member with a level-0 header (os 0: none), level-1 header or level-2
// header (name and folder as extended headers), followed by its data.
std::string member(int level, uint8_t os, const std::string& name, const std::string& folder,
                   const std::string& data = "x", const std::string& method = "-lh0-") {
    auto ext = [](uint8_t type, const std::string& bytes) {
        std::string e(1, static_cast<char>(type));
        e += bytes;
        put16(e, 0); // the next one's size, patched by the caller
        return e;
    };
    std::vector<std::string> exts;
    if (level == 2)
        exts.push_back(ext(0x01, name));
    if (!folder.empty())
        exts.push_back(ext(0x02, folder));
    std::string h(2, '\0'); // size and checksum, or size
    h += method;
    size_t extBytes = 0;
    for (const std::string& e : exts)
        extBytes += e.size();
    put32(h, data.size() + (level == 1 ? extBytes : 0));
    put32(h, data.size());
    put32(h, level == 2 ? 1700000000 : 0x58220000);
    h += '\x20';
    h += static_cast<char>(level);
    uint16_t crc = Crc16::of(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    if (level == 2) {
        put16(h, crc);
        h += static_cast<char>(os);
    } else {
        h += static_cast<char>(name.size());
        h += name;
        put16(h, crc);
        if (level == 1)
            h += static_cast<char>(os);
    }
    // Each extended header's size stands just before it, in the previous header's last bytes.
    if (level != 0)
        put16(h, exts.empty() ? 0 : exts[0].size());
    size_t base = h.size();
    for (size_t i = 0; i < exts.size(); ++i) {
        std::string& e = exts[i];
        if (i + 1 < exts.size()) {
            e[e.size() - 2] = static_cast<char>(exts[i + 1].size() & 0xFF);
            e[e.size() - 1] = static_cast<char>(exts[i + 1].size() >> 8);
        }
        h += e;
    }
    if (level == 2) {
        h[0] = static_cast<char>(h.size() & 0xFF);
        h[1] = static_cast<char>(h.size() >> 8);
    } else {
        h[0] = static_cast<char>(base - 2);
        uint8_t sum = 0;
        for (size_t i = 2; i < base; ++i)
            sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(h[i]));
        h[1] = static_cast<char>(sum);
    }
    return h + data;
}

std::string readPath(const std::string& bytes) {
    MemorySource src(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    MemberHeader h;
    Status s;
    EXPECT_EQ(HeaderReader::read(src, h, s), HeaderReader::Result::Member) << s.message();
    return h.path;
}

const std::string kSo = "\x83\x5C", kHyo = "\x95\x5C", kNou = "\x94\x5C"; // ソ 表 能 in CP932

} // namespace

TEST(Names, StoredInCp932WhereTheyFit) {
    const struct {
        const char* name;
        std::string path, stored, back;
    } rows[] = {
        {"ascii", "a\\b c.txt", "a\\b c.txt", "a\\b c.txt"},
        {"second byte 0x5C", "ソフト/表.txt", kSo + "\x83t\x83g/" + kHyo + ".txt", "ソフト/表.txt"},
        {"outside CP932 stays UTF-8", "한국/표.txt", "한국/표.txt", "한국/표.txt"},
        {"not UTF-8 at all", "byte\xFF.bin", "byte\xFF.bin", "byte\xFF.bin"},
        // glibc would store 0x5C, a separator to the archive's readers; as UTF-8 it reads back
        // as the CP932 it also is.
        {"yen sign", "¥100.txt", "¥100.txt", "ﾂ･100.txt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NameCodec::toArchive(row.path), row.stored);
        EXPECT_EQ(NameCodec::fromArchive(row.stored), row.back);
    }
}

TEST(Names, ReadByTheWritersSystem) {
    const struct {
        const char* name;
        std::string bytes, path;
    } rows[] = {
        {"level 0 without a system: \"\\\" separates after decoding",
         member(0, 0, kSo + "\\" + kHyo + "\\" + kNou + "\x97\xCD.txt", ""), "ソ/表/能力.txt"},
        {"MS-DOS level 1", member(1, 'M', "a\\" + kHyo, ""), "a/表"},
        {"Windows level 2, folder and name",
         member(2, 'W', kNou + "\\x", kSo + "\xFF" + kHyo + "\xFF"), "ソ/表/能/x"},
        {"Unix: \"\\\" is a character", member(2, 'U', "a\\b" + kHyo, "c\\d\xFF"), "c\\d/a\\b表"},
        {"Unix link whose name ends in 0x7C, the \"|\" before its target",
         member(1, 'U', "\x81\x7C|" + kHyo, "", "", "-lhd-"), "－"},
        {"Unix, UTF-8 that is not CP932", member(2, 'U', "한.txt", ""), "한.txt"},
        {"Unix, neither", member(2, 'U', "a\xFF\x80", ""), "a\xFF\x80"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(readPath(row.bytes), row.path);
    }
}

TEST(Names, ANameNoFileCanHoldIsRefusedAndTheRestExtracts) {
    TempDir dir;
    writeFile(dir / "a.lzh", member(2, 'U', "bad" + std::string(1, '\0') + "name", "") +
                                 member(2, 'U', "good", "") + std::string(1, '\0'));
    std::string report;
    Status s = Extractor({dir / "a.lzh", dir / "out", {}, true}, report).extract();
    EXPECT_EQ(s.code(), Code::Unsafe);
    EXPECT_NE(report.find("refused"), std::string::npos) << report;
    EXPECT_EQ(readFile(dir / "out/good"), "x");
    EXPECT_EQ(run("ls '" + dir / "out" + "'").output, "good\n");
}
