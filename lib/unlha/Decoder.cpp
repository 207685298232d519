#include "Decoder.h"

#include "LhaFormat.h"
#include "PathRules.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace unlha {

namespace {
constexpr size_t kHistory = 1 << 16; // the largest window (-lh7-); smaller ones fit inside
constexpr size_t kFlushEvery = 1 << 18;
constexpr size_t kInputSize = 1 << 16;
constexpr int kFastBits = 12;
} // namespace

// A canonical Huffman code: a direct table for codes up to kFastBits long and a per-length
// search for the rest. A code of one symbol and no bits is the format's "constant" tree.
struct Decoder::Table {
    std::array<uint16_t, 1 << kFastBits> fast{}; // symbol << 5 | length; 0 = long or unused
    std::array<uint16_t, lha::kMaxCodeLength + 1> count{};
    std::array<uint32_t, lha::kMaxCodeLength + 1> first{};
    std::array<uint16_t, lha::kMaxCodeLength + 1> offset{};
    std::array<uint16_t, lha::kNumChars> sorted{};
    std::array<uint8_t, lha::kNumChars> lengths{};
    int constant = -1;

    bool build(int symbols) {
        constant = -1;
        count.fill(0);
        for (int i = 0; i < symbols; ++i)
            ++count[lengths[i]];
        count[0] = 0;
        int64_t left = 1;
        for (int len = 1; len <= lha::kMaxCodeLength; ++len) {
            left = left * 2 - count[len];
            if (left < 0)
                return false; // over-subscribed: not a prefix code
        }
        uint32_t code = 0;
        uint16_t off = 0;
        for (int len = 1; len <= lha::kMaxCodeLength; ++len) {
            first[len] = code;
            offset[len] = off;
            off = static_cast<uint16_t>(off + count[len]);
            code = (code + count[len]) << 1;
        }
        std::array<uint32_t, lha::kMaxCodeLength + 1> next = first;
        std::array<uint16_t, lha::kMaxCodeLength + 1> slot = offset;
        fast.fill(0);
        for (int s = 0; s < symbols; ++s) {
            int len = lengths[s];
            if (!len)
                continue;
            uint32_t c = next[len]++;
            sorted[slot[len]++] = static_cast<uint16_t>(s);
            if (len <= kFastBits) {
                uint32_t start = c << (kFastBits - len);
                uint32_t end = start + (1u << (kFastBits - len));
                uint16_t v = static_cast<uint16_t>(s << 5 | len);
                for (uint32_t i = start; i < end; ++i)
                    fast[i] = v;
            }
        }
        return true;
    }
};

Decoder::Decoder() : m_input(kInputSize), m_window(kHistory + kFlushEvery + 2 * lha::kMaxMatch) {}

bool Decoder::supports(const std::string& method) {
    return method == "-lh0-" || method == "-lz4-" || lha::methodInfo(method) != nullptr;
}

void Decoder::refill() {
    while (m_bitCount <= 56) {
        if (m_inPos == m_inEnd) {
            size_t want = static_cast<size_t>(std::min<uint64_t>(m_input.size(), m_inputLeft));
            size_t got = want ? m_source->read(m_input.data(), want) : 0;
            m_inputLeft -= got;
            if (got < want)
                m_inputLeft = 0; // the file ended early; the overrun count will tell
            m_inPos = 0;
            m_inEnd = got;
            if (got == 0) {
                m_bitCount += 8;
                ++m_overrun;
                continue;
            }
        }
        m_bits |= static_cast<uint64_t>(m_input[m_inPos++]) << (56 - m_bitCount);
        m_bitCount += 8;
    }
}

uint32_t Decoder::getBits(int n) {
    if (n == 0)
        return 0;
    if (m_bitCount < n)
        refill();
    uint32_t v = peek(n);
    consume(n);
    return v;
}

int Decoder::decodeSymbol(const Table& t) {
    if (t.constant >= 0)
        return t.constant;
    if (m_bitCount < lha::kMaxCodeLength)
        refill();
    uint16_t e = t.fast[peek(kFastBits)];
    if (e) {
        consume(e & 31);
        return e >> 5;
    }
    for (int len = kFastBits + 1; len <= lha::kMaxCodeLength; ++len) {
        uint32_t code = peek(len);
        if (code - t.first[len] < t.count[len]) {
            consume(len);
            return t.sorted[t.offset[len] + code - t.first[len]];
        }
    }
    return -1; // a bit pattern no code uses
}

bool Decoder::readLengths(Table& t, int symbols, int countBits, int special) {
    int n = static_cast<int>(getBits(countBits));
    if (n == 0) {
        int c = static_cast<int>(getBits(countBits));
        if (c >= symbols)
            return false;
        t.constant = c;
        return true;
    }
    if (n > symbols)
        return false;
    std::fill(t.lengths.begin(), t.lengths.end(), 0);
    int i = 0;
    while (i < n) {
        if (m_bitCount < 32)
            refill();
        int c = static_cast<int>(peek(3));
        consume(3);
        if (c == 7) {
            // Lengths of 7 and more continue in unary: one more per 1 bit, ended by a 0.
            while (peek(1)) {
                consume(1);
                if (++c > lha::kMaxCodeLength)
                    return false;
            }
            consume(1);
        }
        t.lengths[i++] = static_cast<uint8_t>(c);
        if (i == special) {
            int zeros = static_cast<int>(getBits(2));
            while (zeros-- > 0 && i < symbols)
                t.lengths[i++] = 0;
        }
    }
    return t.build(symbols);
}

bool Decoder::readCharLengths(Table& t, const Table& temp) {
    int n = static_cast<int>(getBits(lha::kCharBits));
    if (n == 0) {
        int c = static_cast<int>(getBits(lha::kCharBits));
        if (c >= lha::kNumChars)
            return false;
        t.constant = c;
        return true;
    }
    if (n > lha::kNumChars)
        return false;
    std::fill(t.lengths.begin(), t.lengths.end(), 0);
    int i = 0;
    while (i < n) {
        int c = decodeSymbol(temp);
        if (c < 0)
            return false;
        if (c <= 2) {
            int zeros = c == 0   ? 1
                        : c == 1 ? static_cast<int>(getBits(4)) + 3
                                 : static_cast<int>(getBits(lha::kCharBits)) + 20;
            i = std::min(n, i + zeros); // the lengths were cleared above
        } else {
            if (c - 2 > lha::kMaxCodeLength)
                return false;
            t.lengths[i++] = static_cast<uint8_t>(c - 2);
        }
    }
    return t.build(lha::kNumChars);
}

Status Decoder::copyStored(ByteSource& source, uint64_t size, const Sink& sink) {
    while (size > 0) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(m_input.size(), size));
        size_t got = source.read(m_input.data(), want);
        if (got && !sink(m_input.data(), got))
            return Status(Code::Io, "write error");
        size -= got;
        if (got < want)
            return Status(source.failed() ? Code::Io : Code::Damaged,
                          source.failed() ? "read error" : "archive ends inside a member");
    }
    return {};
}

Status Decoder::decode(const std::string& method, ByteSource& source, uint64_t compressedSize,
                       uint64_t originalSize, const Sink& sink) {
    if (method == "-lh0-" || method == "-lz4-") {
        if (compressedSize != originalSize)
            return Status(Code::Damaged, "stored member with two different sizes");
        return copyStored(source, compressedSize, sink);
    }
    const lha::MethodInfo* info = lha::methodInfo(method);
    if (!info) {
        source.skip(compressedSize);
        return Status(Code::Unsupported, "unknown method " + PathRules::printable(method));
    }
    m_source = &source;
    m_inputLeft = compressedSize;
    m_inPos = m_inEnd = 0;
    m_bits = 0;
    m_bitCount = 0;
    m_overrun = 0;
    Status s = decodeHuffman(info->positionCodes, info->positionBits, originalSize, sink);
    // Whatever the data did, leave the input at the next header.
    uint64_t left = m_inputLeft;
    m_inputLeft = 0;
    if (left && !source.skip(left) && s.ok())
        s = Status(Code::Damaged, "archive ends inside a member");
    return s;
}

Status Decoder::decodeHuffman(int positionCodes, int positionBits, uint64_t originalSize,
                              const Sink& sink) {
    auto temp = std::make_unique<Table>();
    auto chars = std::make_unique<Table>();
    auto positions = std::make_unique<Table>();
    uint8_t* w = m_window.data();
    // Archivers of old began with a window of blanks; a few streams rely on it.
    std::memset(w, ' ', kHistory);
    size_t pos = kHistory;
    uint64_t left = originalSize;
    unsigned blockLeft = 0;
    const Status damaged(Code::Damaged, "damaged data");

    while (left > 0) {
        if (blockLeft == 0) {
            blockLeft = getBits(16);
            if (!readLengths(*temp, lha::kNumTemp, lha::kTempBits, 3) ||
                !readCharLengths(*chars, *temp) ||
                !readLengths(*positions, positionCodes, positionBits, -1))
                return damaged;
            if (m_overrun > 8)
                return Status(Code::Damaged, "archive ends inside a member");
            continue;
        }
        --blockLeft;
        int c = decodeSymbol(*chars);
        if (c < 0)
            return damaged;
        if (c < 256) {
            w[pos++] = static_cast<uint8_t>(c);
            --left;
        } else {
            size_t length = static_cast<size_t>(c - 256 + lha::kThreshold);
            int p = decodeSymbol(*positions);
            if (p < 0)
                return damaged;
            size_t dist = p <= 1 ? static_cast<size_t>(p) : (size_t{1} << (p - 1)) + getBits(p - 1);
            ++dist;
            if (dist > kHistory)
                return damaged;
            if (length > left)
                length = static_cast<size_t>(left);
            const uint8_t* from = w + pos - dist;
            uint8_t* to = w + pos;
            if (dist >= 8) {
                for (size_t i = 0; i < length; i += 8)
                    std::memcpy(to + i, from + i, 8); // may write up to 7 bytes of slack
            } else {
                for (size_t i = 0; i < length; ++i)
                    to[i] = from[i];
            }
            pos += length;
            left -= length;
        }
        if (pos >= kHistory + kFlushEvery) {
            if (m_overrun > 8)
                return Status(Code::Damaged, "archive ends inside a member");
            if (!sink(w + kHistory, pos - kHistory))
                return Status(Code::Io, "write error");
            std::memmove(w, w + pos - kHistory, kHistory);
            pos = kHistory;
        }
    }
    if (m_overrun > 8)
        return Status(Code::Damaged, "archive ends inside a member");
    if (pos > kHistory && !sink(w + kHistory, pos - kHistory))
        return Status(Code::Io, "write error");
    return {};
}

} // namespace unlha
