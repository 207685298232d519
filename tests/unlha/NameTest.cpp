// Member names: what is stored for a name, and what a stored name means for each writer's
// system (level-0 and level-1 names: the jlha archives of the peer tests). Headers are built
// byte by byte here, the way other programs write them.
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

// A member with a level-2 header from system os: name and folder fields as given, then data.
std::string member(uint8_t os, const std::string& name, const std::string& folder,
                   const std::string& data = "x", const std::string& method = "-lh0-") {
    std::string h(2, '\0'); // the header's size, set below
    h += method;
    put16(h, data.size());
    put16(h, 0);
    put16(h, data.size());
    put16(h, 0);
    h += std::string("\x00\x00\x65\x65\x20\x02", 6); // time stamp, attribute, level
    put16(h, Crc16::of(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    h += static_cast<char>(os);
    // Each extended header's size stands before it: type, data and the next size.
    put16(h, name.size() + 3);
    h += '\x01' + name;
    put16(h, folder.empty() ? 0 : folder.size() + 3);
    if (!folder.empty()) {
        h += '\x02' + folder;
        put16(h, 0);
    }
    h[0] = static_cast<char>(h.size() & 0xFF);
    h[1] = static_cast<char>(h.size() >> 8);
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
        // glibc would store 0x5C, a separator to the archive's readers.
        {"yen sign", "¥100.txt", "¥100.txt", "¥100.txt"},
        // Its UTF-8 is valid CP932 too (half-width katakana): the Unix header decides.
        {"accented Latin", "café.txt", "café.txt", "café.txt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NameCodec::toArchive(row.path), row.stored);
        EXPECT_EQ(NameCodec::fromArchive(row.stored, true), row.back);
    }
}

TEST(Names, ReadByTheWritersSystem) {
    const struct {
        const char* name;
        std::string bytes, path;
    } rows[] = {
        {"MS-DOS: \"\\\" separates after decoding", member('M', "a\\" + kHyo + "\\x", ""),
         "a/表/x"},
        {"Windows, folder and name", member('W', kNou + "\\x", kSo + "\xFF" + kHyo + "\xFF"),
         "ソ/表/能/x"},
        {"Unix: \"\\\" is a character", member('U', "a\\b" + kHyo, "c\\d\xFF"), "c\\d/a\\b表"},
        {"Unix link whose name ends in 0x7C, the \"|\" before its target",
         member('U', "\x81\x7C|" + kHyo, "", "", "-lhd-"), "－"},
        {"Unix, UTF-8 that is not CP932", member('U', "한.txt", ""), "한.txt"},
        {"Unix, neither", member('U', "a\xFF\x80", ""), "a\xFF\x80"},
        {"Windows: the same bytes are CP932", member('W', "caf\xC3\xA9", ""), "cafﾃｩ"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(readPath(row.bytes), row.path);
    }
}

TEST(Names, ANameNoFileCanHoldIsRefusedAndTheRestExtracts) {
    TempDir dir;
    writeFile(dir / "a.lzh", member('U', "bad" + std::string(1, '\0') + "name", "") +
                                 member('U', "good", "") + std::string(1, '\0'));
    std::string report;
    Status s = Extractor({dir / "a.lzh", dir / "out", {}, true}, report).extract();
    EXPECT_EQ(s.code(), Code::Unsafe);
    EXPECT_NE(report.find("refused"), std::string::npos) << report;
    EXPECT_EQ(readFile(dir / "out/good"), "x");
    EXPECT_EQ(run("ls '" + dir / "out" + "'").output, "good\n");
}
