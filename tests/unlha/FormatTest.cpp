// The pieces of the format on their own: CRC, compressor and decompressor, headers.
#include "ArchiveReader.h"
#include "Crc16.h"
#include "Decoder.h"
#include "Encoder.h"
#include "HeaderReader.h"
#include "HeaderWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace unlha;

namespace {

struct Encoded {
    Status status;
    Encoder::Result result;
    std::string bytes;
};

Encoded encodeWith(Encoder& enc, const std::string& data, uint64_t limit = ~0ull) {
    Encoded e;
    size_t pos = 0;
    e.status = enc.encode(
        [&](uint8_t* d, size_t n) {
            // Small, uneven reads exercise the window refills.
            n = std::min({n, data.size() - pos, size_t{7777}});
            std::memcpy(d, data.data() + pos, n);
            pos += n;
            return static_cast<long>(n);
        },
        [&](const uint8_t* d, size_t n) {
            e.bytes.append(reinterpret_cast<const char*>(d), n);
            return true;
        },
        limit, e.result);
    return e;
}

Encoded encode(int digit, const std::string& data, uint64_t limit = ~0ull) {
    Encoder enc(digit);
    return encodeWith(enc, data, limit);
}

Status decode(const std::string& method, const std::string& packed, uint64_t size,
              std::string& out) {
    MemorySource src(reinterpret_cast<const uint8_t*>(packed.data()), packed.size());
    Decoder dec;
    return dec.decode(method, src, packed.size(), size, [&](const uint8_t* d, size_t n) {
        out.append(reinterpret_cast<const char*>(d), n);
        return true;
    });
}

std::string randomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

} // namespace

TEST(Crc16, CheckValue) {
    const std::string s = "123456789";
    EXPECT_EQ(Crc16::of(reinterpret_cast<const uint8_t*>(s.data()), s.size()), 0xBB3D);
    // Pieces of any length give the same result as one call.
    std::string data = randomBytes(1000, 1);
    Crc16 parts;
    for (size_t i = 0; i < data.size(); i += 13)
        parts.update(reinterpret_cast<const uint8_t*>(data.data()) + i,
                     std::min<size_t>(13, data.size() - i));
    EXPECT_EQ(parts.value(), Crc16::of(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
}

TEST(Codec, RoundTrip) {
    struct Row {
        const char* name;
        std::string data;
    };
    std::string allBytes;
    for (int i = 0; i < 70000; ++i)
        allBytes.push_back(static_cast<char>(i * 7 % 256));
    // Repeats just inside and beyond each window size.
    std::string far = randomBytes(40000, 3);
    far += far + randomBytes(30000, 4) + far;
    // Long matches everywhere, through the points where the compressor stops to code what
    // it has gathered; and short matches only, many of them at every position.
    std::string phrases;
    const std::string phrase = randomBytes(1000, 5);
    while (phrases.size() < 300000)
        phrases += phrase.substr(phrases.size() % 997, 100 + phrases.size() % 300);
    std::string shortMatches = randomBytes(200000, 6);
    for (char& c : shortMatches)
        c = static_cast<char>('a' + (static_cast<uint8_t>(c) & 15));
    const Row rows[] = {
        {"one byte", "x"},
        {"long matches", phrases},
        {"short matches", shortMatches},
        {"three bytes", "abc"},
        {"one long run", std::string(300000, 'a')},
        {"text", unlhatest::mixedBytes(500000, 7)},
        {"every byte value", allBytes},
        {"repeats far back", far},
        {"random", randomBytes(100000, 9)},
    };
    for (int digit : {5, 6, 7}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + " -lh" + std::to_string(digit) + "-");
            Encoded e = encode(digit, row.data);
            ASSERT_TRUE(e.status.ok()) << e.status.message();
            EXPECT_EQ(e.result.originalSize, row.data.size());
            EXPECT_EQ(e.result.compressedSize, e.bytes.size());
            std::string back;
            Status s = decode("-lh" + std::to_string(digit) + "-", e.bytes, row.data.size(), back);
            ASSERT_TRUE(s.ok()) << s.message();
            EXPECT_TRUE(back == row.data);
            EXPECT_EQ(e.result.crc, Crc16::of(reinterpret_cast<const uint8_t*>(row.data.data()),
                                              row.data.size()));
        }
    }
}

TEST(Codec, GivesUpWhenDataDoesNotShrink) {
    std::string data = randomBytes(200000, 5);
    Encoded e = encode(5, data, data.size() - 1);
    ASSERT_TRUE(e.status.ok());
    EXPECT_TRUE(e.result.gaveUp);
    EXPECT_LT(e.bytes.size(), data.size());
    Encoded t = encode(5, std::string(200000, 'z'), 199999);
    EXPECT_FALSE(t.result.gaveUp);
    EXPECT_LT(t.bytes.size(), 2000u);
}

TEST(Codec, DamagedDataIsAnErrorNotACrash) {
    std::string data = unlhatest::mixedBytes(60000, 11);
    Encoded e = encode(7, data);
    std::mt19937 rng(1);
    int errors = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bad = e.bytes;
        if (round % 3 == 0)
            bad.resize(rng() % bad.size());
        else
            for (int k = 0; k < 1 + round % 5; ++k)
                bad[rng() % bad.size()] ^= static_cast<char>(1 << (rng() % 8));
        std::string back;
        Status s = decode("-lh7-", bad, data.size(), back);
        EXPECT_LE(back.size(), data.size());
        errors += !s.ok() || back != data;
    }
    EXPECT_GT(errors, 250);
}

TEST(Codec, ReusedEncoderForgetsEarlierStreams) {
    // The same text after another stream, finished or given up half way, with the same
    // object: nothing of the earlier stream may reach into it, so the output is the one a
    // new object gives.
    const std::string first = unlhatest::mixedBytes(300000, 21) + randomBytes(100000, 23);
    const std::string second = first.substr(1000, 50000) + unlhatest::mixedBytes(30000, 22);
    for (int digit : {5, 7}) {
        for (uint64_t limit : {~uint64_t{0}, uint64_t{60000}}) {
            SCOPED_TRACE(std::to_string(digit) + " " + std::to_string(limit));
            Encoder reused(digit);
            EXPECT_EQ(encodeWith(reused, first, limit).result.gaveUp, limit < first.size());
            Encoded again = encodeWith(reused, second);
            ASSERT_TRUE(again.status.ok());
            EXPECT_TRUE(again.bytes == encode(digit, second).bytes);
        }
    }
}

TEST(Codec, ChangingStatisticsGetBlocksOfTheirOwn) {
    // Text, random bytes, text: coded together no larger than each part coded alone (the
    // random part shares no code with the text around it).
    const std::string parts[] = {unlhatest::mixedBytes(70000, 31), randomBytes(70000, 32),
                                 unlhatest::mixedBytes(70000, 33)};
    size_t alone = 0;
    for (const std::string& part : parts)
        alone += encode(5, part).bytes.size();
    Encoded together = encode(5, parts[0] + parts[1] + parts[2]);
    ASSERT_TRUE(together.status.ok());
    EXPECT_LT(together.bytes.size(), alone + alone / 200);
}

TEST(Headers, WriteThenRead) {
    struct Row {
        std::string name;
        MemberHeader h;
    };
    auto make = [](std::string path, std::string method, bool link = false,
                   std::string target = "") {
        MemberHeader h;
        h.path = std::move(path);
        h.method = std::move(method);
        h.isSymlink = link;
        h.linkTarget = std::move(target);
        h.mtime = 1700000000;
        h.unixMode = link ? 0120777 : 0100640;
        h.uid = 1000;
        h.gid = 100;
        if (h.method != "-lhd-") {
            h.compressedSize = 1234;
            h.originalSize = 5678;
            h.crc = 0xBEEF;
        }
        return h;
    };
    std::vector<Row> rows = {
        {"bare name", make("readme.txt", "-lh5-")},
        {"folders", make("a/b/c/data.bin", "-lh7-")},
        {"folder entry", make("a/b", "-lhd-")},
        {"link with folders in its target", make("dir/link", "-lhd-", true, "../x/y")},
        {"japanese name", make("フォルダ/日本語.txt", "-lh0-")},
    };
    // Every name length around the sizes of 256 and 512 bytes, where a header size whose low
    // byte is zero gets a byte of padding (it would read as the end mark).
    int padded = 0;
    for (size_t n = 200; n <= 480; ++n) {
        std::vector<uint8_t> bytes;
        MemberHeader h = make(std::string(n, 'n'), "-lh5-");
        ASSERT_TRUE(HeaderWriter::build(h, bytes).ok());
        padded += bytes.size() % 256 == 1;
        rows.push_back({"name length", h});
    }
    EXPECT_EQ(padded, 4); // two lengths at each of 256 and 512
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name + std::to_string(row.h.path.size()));
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(HeaderWriter::build(row.h, bytes).ok());
        EXPECT_NE(bytes[0], 0);
        MemorySource src(bytes.data(), bytes.size());
        MemberHeader back;
        Status s;
        ASSERT_EQ(HeaderReader::read(src, back, s), HeaderReader::Result::Member) << s.message();
        EXPECT_EQ(src.position(), bytes.size());
        EXPECT_EQ(back.path, row.h.path);
        EXPECT_EQ(back.method, row.h.method);
        EXPECT_EQ(back.isSymlink, row.h.isSymlink);
        EXPECT_EQ(back.linkTarget, row.h.linkTarget);
        EXPECT_EQ(back.compressedSize, row.h.compressedSize);
        EXPECT_EQ(back.originalSize, row.h.originalSize);
        EXPECT_EQ(back.crc, row.h.crc);
        EXPECT_EQ(back.mtime, row.h.mtime);
        EXPECT_EQ(back.unixMode, row.h.unixMode);
        EXPECT_EQ(back.uid, row.h.uid);
    }
}

TEST(Headers, RefusesSizesOf4GiB) {
    MemberHeader h;
    h.path = "big";
    h.originalSize = 1ull << 32;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(HeaderWriter::build(h, bytes).code(), Code::TooLarge);
}

TEST(Headers, EveryDamageIsCaught) {
    MemberHeader h;
    h.path = "some/folder/name.txt";
    h.compressedSize = h.originalSize = 3;
    h.method = "-lh0-";
    h.unixMode = 0100644;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(HeaderWriter::build(h, bytes).ok());
    // Any changed byte breaks the header CRC or a size, and any cut leaves it incomplete.
    // Only the type byte of the CRC's own extended header (26) can turn it into another
    // kind of field, which older writers without a header CRC also do.
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (uint8_t flip : {0x01, 0x80}) {
            if (i == 26)
                continue;
            std::vector<uint8_t> bad = bytes;
            bad[i] ^= flip;
            MemorySource src(bad.data(), bad.size());
            MemberHeader back;
            Status s;
            auto r = HeaderReader::read(src, back, s);
            EXPECT_NE(r, HeaderReader::Result::Member) << "byte " << i;
        }
        MemorySource cut(bytes.data(), i);
        MemberHeader back;
        Status s;
        EXPECT_NE(HeaderReader::read(cut, back, s), HeaderReader::Result::Member) << "cut " << i;
    }
}

namespace {

// A level-0 or level-1 header of a stored three-byte member "a.txt", followed by its data
// and more bytes, so that a reader that believes a wrong size finds something to read.
std::vector<uint8_t> oldLevelMember(uint8_t level) {
    std::vector<uint8_t> b = {0, 0, '-',  'l',  'h',  '0',   '-', 3,   0,   0,   0,   3,   0, 0, 0,
                              0, 0, 0x21, 0x50, 0x20, level, 5,   'a', '.', 't', 'x', 't', 0, 0};
    if (level == 1) { // system id, then no extended header
        b.push_back('U');
        b.resize(b.size() + 2);
    }
    b[0] = static_cast<uint8_t>(b.size() - 2);
    for (size_t i = 2; i < b.size(); ++i)
        b[1] = static_cast<uint8_t>(b[1] + b[i]);
    b.resize(b.size() + 64, 'x');
    return b;
}

} // namespace

TEST(Headers, SizesBelowTheFixedPartAreDamage) {
    MemberHeader h;
    h.path = "a.txt";
    h.method = "-lh0-";
    std::vector<uint8_t> level2;
    ASSERT_TRUE(HeaderWriter::build(h, level2).ok());
    level2.resize(level2.size() + 64, 'x');
    // Levels 0 and 1 count from byte 2 in one byte (22 at least), level 2 counts everything in
    // two bytes (26 at least, the first extended header's size included).
    struct Row {
        int level;
        std::vector<uint8_t> bytes;
        std::vector<uint8_t> sizes; // each written into the size field, and refused
    };
    const Row rows[] = {
        {0, oldLevelMember(0), {1, 5, 19}},
        {1, oldLevelMember(1), {1, 5, 19}},
        {2, level2, {1, 21, 22, 24, 25}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.level);
        MemorySource intact(row.bytes.data(), row.bytes.size());
        MemberHeader back;
        Status s;
        ASSERT_EQ(HeaderReader::read(intact, back, s), HeaderReader::Result::Member) << s.message();
        for (uint8_t size : row.sizes) {
            SCOPED_TRACE(size);
            std::vector<uint8_t> bad = row.bytes;
            bad[0] = size;
            if (row.level == 2)
                bad[1] = 0;
            MemorySource src(bad.data(), bad.size());
            EXPECT_EQ(HeaderReader::read(src, back, s), HeaderReader::Result::Error);
            EXPECT_EQ(s.message(), "damaged header: size");
        }
    }
}

TEST(Reader, StoredDataIsCheckedAgainstItsCrc) {
    const std::string data = "stored bytes";
    MemberHeader h;
    h.path = "stored.txt";
    h.method = "-lh0-";
    h.compressedSize = h.originalSize = data.size();
    h.crc = Crc16::of(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    h.hasCrc = true;
    std::vector<uint8_t> header;
    ASSERT_TRUE(HeaderWriter::build(h, header).ok());
    for (size_t flipped : {std::string::npos, size_t{0}, data.size() - 1}) {
        SCOPED_TRACE(flipped);
        std::vector<uint8_t> archive = header;
        archive.insert(archive.end(), data.begin(), data.end());
        archive.push_back(0);
        if (flipped != std::string::npos)
            archive[header.size() + flipped] ^= 0x04;
        MemorySource src(archive.data(), archive.size());
        ArchiveReader reader;
        reader.openSource(src);
        MemberHeader back;
        Status s;
        ASSERT_EQ(reader.next(back, s), HeaderReader::Result::Member) << s.message();
        s = reader.extract([](const uint8_t*, size_t) { return true; });
        if (flipped == std::string::npos)
            EXPECT_TRUE(s.ok()) << s.message();
        else
            EXPECT_EQ(s.message(), "CRC error: stored.txt");
    }
}

TEST(Reader, MessagesShowControlCharactersAsQuestionMarks) {
    MemberHeader h;
    h.path = "a\x1b[2J.txt";
    h.method = "-l\x07x-";
    h.compressedSize = h.originalSize = 1;
    std::vector<uint8_t> archive;
    ASSERT_TRUE(HeaderWriter::build(h, archive).ok());
    archive.insert(archive.end(), {'x', 0});
    MemorySource src(archive.data(), archive.size());
    ArchiveReader reader;
    reader.openSource(src);
    Status s;
    ASSERT_EQ(reader.next(h, s), HeaderReader::Result::Member) << s.message();
    EXPECT_EQ(reader.extract([](const uint8_t*, size_t) { return true; }).message(),
              "unknown method -l?x-: a?[2J.txt");
}
