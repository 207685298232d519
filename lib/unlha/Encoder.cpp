#include "Encoder.h"

#include "Crc16.h"
#include "LhaFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace unlha {

namespace {
constexpr int kHashBits = 16;
constexpr size_t kReadChunk = 256 * 1024;
constexpr uint64_t kLookahead = lha::kMaxMatch + 2;
// Small blocks follow the changing statistics of binaries; the trees cost little.
constexpr size_t kBlockTokens = 8192;
constexpr size_t kOutputChunk = 64 * 1024;

// The first three bytes of a four-byte load.
constexpr uint32_t kFirstThreeBytes =
    std::endian::native == std::endian::little ? 0x00FFFFFFu : 0xFFFFFF00u;

inline uint32_t hash3(const uint8_t* p) {
    uint32_t v = static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
    return (v * 0x9E3779B1u) >> (32 - kHashBits);
}

inline uint32_t hash4(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 0x9E3779B1u) >> (32 - kHashBits);
}

// Index of the first differing byte of two eight-byte loads, given their exclusive or.
inline int firstDifferentByte(uint64_t x) {
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(x) >> 3;
    else
        return std::countl_zero(x) >> 3;
}

inline int bitLength(uint32_t v) {
    return v ? 32 - std::countl_zero(v) : 0;
}
} // namespace

class Encoder::BitWriter {
public:
    BitWriter(const Output& output, uint64_t limit) : m_output(output), m_limit(limit) {
        m_chunk.reserve(kOutputChunk + 16);
    }

    void put(int n, uint32_t v) {
        if (n == 0)
            return;
        m_acc = m_acc << n | v;
        m_count += n;
        while (m_count >= 8) {
            m_count -= 8;
            m_chunk.push_back(static_cast<uint8_t>(m_acc >> m_count));
        }
        if (m_chunk.size() >= kOutputChunk)
            flushChunk();
    }
    void finish() {
        if (m_count)
            put(8 - m_count, 0);
        flushChunk();
    }
    bool flushChunk() {
        if (m_chunk.empty() || m_failed || m_overLimit)
            return !m_failed;
        m_written += m_chunk.size();
        if (m_written > m_limit) {
            m_overLimit = true;
        } else if (!m_output(m_chunk.data(), m_chunk.size())) {
            m_failed = true;
        }
        m_chunk.clear();
        return !m_failed;
    }
    uint64_t written() const { return m_written + m_chunk.size(); }
    bool failed() const { return m_failed; }
    bool overLimit() const { return m_overLimit || written() > m_limit; }

private:
    const Output& m_output;
    uint64_t m_limit;
    std::vector<uint8_t> m_chunk;
    uint64_t m_acc = 0;
    int m_count = 0;
    uint64_t m_written = 0;
    bool m_failed = false;
    bool m_overLimit = false;
};

Encoder::Encoder(int methodDigit) {
    const lha::MethodInfo* info = lha::methodInfo("-lh" + std::to_string(methodDigit) + "-");
    if (!info)
        info = lha::methodInfo("-lh5-");
    m_dictBits = info->dictionaryBits;
    m_positionCodes = info->positionCodes;
    m_positionBits = info->positionBits;
    m_window = 1u << m_dictBits;
    // Longer windows hold more candidates per hash; search them a little deeper.
    m_maxChain = m_dictBits >= 15 ? 256 : 128;
    m_niceLength = lha::kMaxMatch;
    m_buffer.resize(m_window + kReadChunk + 2 * kLookahead + 16);
    m_head.assign(size_t{1} << kHashBits, 0);
    m_head3.assign(size_t{1} << kHashBits, 0);
    m_prev.assign(m_window, 0);
    m_codes.reserve(kBlockTokens);
    m_distances.reserve(kBlockTokens);
    m_charFreq.assign(lha::kNumChars, 0);
    m_posFreq.assign(static_cast<size_t>(m_positionCodes), 0);
}

Encoder::~Encoder() = default;

bool Encoder::fillWindow(const Input& input, Status& status) {
    if (m_eof)
        return true;
    // Keep one window of history behind the current position, drop the rest.
    if (m_pos > m_base + m_window) {
        uint64_t newBase = m_pos - m_window;
        std::memmove(m_buffer.data(), m_buffer.data() + (newBase - m_base), m_end - newBase);
        m_base = newBase;
    }
    size_t capacity = m_buffer.size() - 16;
    while (!m_eof && m_end - m_base < capacity) {
        long n = input(m_buffer.data() + (m_end - m_base), capacity - (m_end - m_base));
        if (n < 0) {
            status = Status(Code::Io, "read error");
            return false;
        }
        if (n == 0)
            m_eof = true;
        m_end += static_cast<uint64_t>(n);
    }
    return true;
}

void Encoder::emitLiteral(uint8_t c) {
    m_codes.push_back(c);
    m_distances.push_back(0);
    ++m_charFreq[c];
}

void Encoder::emitMatch(int length, uint32_t distance) {
    uint16_t code = static_cast<uint16_t>(256 + length - lha::kThreshold);
    m_codes.push_back(code);
    m_distances.push_back(static_cast<uint16_t>(distance - 1));
    ++m_charFreq[code];
    ++m_posFreq[static_cast<size_t>(bitLength(distance - 1))];
}

void Encoder::compress(bool atEnd) {
    uint8_t* buf = m_buffer.data();
    const uint64_t base = m_base;
    const uint32_t mask = m_window - 1;
    const uint64_t stop = atEnd ? m_end : m_end - kLookahead;
    auto at = [&](uint64_t p) { return buf + (p - base); };
    // Two tables: the most recent place of every three-byte string, for the nearest
    // three-byte match, and chains of places by four-byte string for the longer ones, which
    // hold far fewer false candidates than chains of three-byte strings.
    auto insert = [&](uint64_t p, uint32_t& old3, uint32_t& old4) {
        const uint8_t* b = at(p);
        const uint32_t here = static_cast<uint32_t>(p + 1);
        uint32_t h3 = hash3(b);
        old3 = m_head3[h3];
        m_head3[h3] = here;
        old4 = 0;
        if (m_end - p >= 4) {
            uint32_t h4 = hash4(b);
            old4 = m_head[h4];
            m_prev[p & mask] = old4;
            m_head[h4] = here;
        }
    };

    uint64_t pos = m_pos;
    while (pos < stop) {
        uint64_t avail = m_end - pos;
        int curLength = 0;
        uint32_t curDistance = 0;
        if (avail >= lha::kThreshold) {
            uint32_t cand3 = 0, cand = 0;
            if (pos >= m_inserted) {
                insert(pos, cand3, cand);
                m_inserted = pos + 1;
            }
            if ((cand3 || cand) && m_prevLength < m_niceLength) {
                // Longest match, looking only for one better than the pending.
                int maxLen = static_cast<int>(std::min<uint64_t>(avail, lha::kMaxMatch));
                int best = std::max(m_prevLength, lha::kThreshold - 1);
                uint64_t lowest = pos >= m_window - 1 ? pos - (m_window - 1) : 0;
                const uint8_t* cur = at(pos);
                // Tries the candidate at c; true when nothing longer can be found.
                auto tryAt = [&](uint64_t c) {
                    const uint8_t* m = at(c);
                    // The four bytes ending where a better match must still agree reject
                    // most candidates with one comparison.
                    uint32_t tailM, tailC;
                    const int tail = best >= 3 ? best - 3 : 0;
                    std::memcpy(&tailM, m + tail, 4);
                    std::memcpy(&tailC, cur + tail, 4);
                    tailM ^= tailC;
                    if (best < 3)
                        tailM &= kFirstThreeBytes;
                    if (tailM != 0 || m[0] != cur[0] || m[1] != cur[1] || m[2] != cur[2])
                        return false;
                    int len = 3;
                    while (len < maxLen) {
                        uint64_t a, b;
                        std::memcpy(&a, m + len, 8);
                        std::memcpy(&b, cur + len, 8);
                        uint64_t x = a ^ b;
                        if (x) {
                            len += firstDifferentByte(x);
                            break;
                        }
                        len += 8;
                    }
                    len = std::min(len, maxLen);
                    if (len > best) {
                        best = len;
                        curLength = len;
                        curDistance = static_cast<uint32_t>(pos - c);
                    }
                    return best >= m_niceLength || best >= maxLen;
                };
                bool done = false;
                if (cand3 && cand3 - 1 >= lowest && cand3 - 1 < pos)
                    done = tryAt(cand3 - 1);
                int chain = m_maxChain;
                if (m_prevLength >= 32)
                    chain >>= 2;
                while (!done && cand && chain-- > 0) {
                    uint64_t c = cand - 1;
                    if (c < lowest || c >= pos)
                        break;
                    done = tryAt(c);
                    cand = m_prev[c & mask];
                }
            }
        }
        if (m_havePending) {
            if (m_prevLength >= lha::kThreshold && curLength <= m_prevLength) {
                emitMatch(m_prevLength, m_prevDistance);
                uint64_t end = pos - 1 + static_cast<uint64_t>(m_prevLength);
                uint32_t ignored3, ignored4;
                for (uint64_t q = std::max(pos + 1, m_inserted); q < end; ++q)
                    if (m_end - q >= lha::kThreshold)
                        insert(q, ignored3, ignored4);
                m_inserted = std::max(m_inserted, end);
                pos = end;
                m_havePending = false;
                m_prevLength = 0;
                if (m_codes.size() >= kBlockTokens && !flushBlock())
                    break;
                continue;
            }
            emitLiteral(*at(pos - 1));
            if (m_codes.size() >= kBlockTokens && !flushBlock())
                break;
        }
        m_havePending = true;
        m_prevLength = curLength;
        m_prevDistance = curDistance;
        ++pos;
    }
    if (atEnd && m_havePending && pos == m_end) {
        if (m_prevLength >= lha::kThreshold)
            emitMatch(m_prevLength, m_prevDistance);
        else
            emitLiteral(*at(pos - 1));
        m_havePending = false;
    }
    m_pos = pos;
}

void Encoder::writeLengths(const HuffmanCode& code, int symbols, int countBits, int special) {
    const std::vector<uint8_t>& len = code.lengths();
    int n = symbols;
    while (n > 0 && len[n - 1] == 0)
        --n;
    m_out->put(countBits, static_cast<uint32_t>(n));
    int i = 0;
    while (i < n) {
        int k = len[i++];
        if (k <= 6)
            m_out->put(3, static_cast<uint32_t>(k));
        else
            m_out->put(k - 3, (1u << (k - 3)) - 2);
        if (i == special) {
            int zeros = 0;
            while (i < 6 && len[i] == 0) {
                ++i;
                ++zeros;
            }
            m_out->put(2, static_cast<uint32_t>(zeros));
        }
    }
}

void Encoder::writeCharLengths() {
    const std::vector<uint8_t>& len = m_charCode.lengths();
    const std::vector<uint8_t>& tl = m_tempCode.lengths();
    const std::vector<uint16_t>& tc = m_tempCode.codes();
    auto temp = [&](int sym) { m_out->put(tl[sym], tc[sym]); };
    int n = lha::kNumChars;
    while (n > 0 && len[n - 1] == 0)
        --n;
    m_out->put(lha::kCharBits, static_cast<uint32_t>(n));
    int i = 0;
    while (i < n) {
        int k = len[i++];
        if (k != 0) {
            temp(k + 2);
            continue;
        }
        int run = 1;
        while (i < n && len[i] == 0) {
            ++i;
            ++run;
        }
        if (run <= 2) {
            for (int j = 0; j < run; ++j)
                temp(0);
        } else if (run <= 18) {
            temp(1);
            m_out->put(4, static_cast<uint32_t>(run - 3));
        } else if (run == 19) {
            temp(0);
            temp(1);
            m_out->put(4, 15);
        } else {
            temp(2);
            m_out->put(lha::kCharBits, static_cast<uint32_t>(run - 20));
        }
    }
}

bool Encoder::flushBlock() {
    if (m_codes.empty())
        return true;
    m_charCode.build(m_charFreq.data(), lha::kNumChars, lha::kMaxCodeLength);
    m_posCode.build(m_posFreq.data(), m_positionCodes, lha::kMaxCodeLength);

    m_out->put(16, static_cast<uint32_t>(m_codes.size()));
    if (m_charCode.usedSymbols() >= 2) {
        // The character code lengths are themselves coded; count what that code must carry.
        uint32_t tempFreq[lha::kNumTemp] = {};
        const std::vector<uint8_t>& len = m_charCode.lengths();
        int n = lha::kNumChars;
        while (n > 0 && len[n - 1] == 0)
            --n;
        for (int i = 0; i < n;) {
            int k = len[i++];
            if (k != 0) {
                ++tempFreq[k + 2];
                continue;
            }
            int run = 1;
            while (i < n && len[i] == 0) {
                ++i;
                ++run;
            }
            if (run <= 2)
                tempFreq[0] += static_cast<uint32_t>(run);
            else if (run <= 18)
                ++tempFreq[1];
            else if (run == 19) {
                ++tempFreq[0];
                ++tempFreq[1];
            } else
                ++tempFreq[2];
        }
        m_tempCode.build(tempFreq, lha::kNumTemp, lha::kMaxCodeLength);
        if (m_tempCode.usedSymbols() >= 2) {
            writeLengths(m_tempCode, lha::kNumTemp, lha::kTempBits, 3);
        } else {
            m_out->put(lha::kTempBits, 0);
            m_out->put(lha::kTempBits, static_cast<uint32_t>(m_tempCode.onlySymbol()));
        }
        writeCharLengths();
    } else {
        m_out->put(lha::kTempBits, 0);
        m_out->put(lha::kTempBits, 0);
        m_out->put(lha::kCharBits, 0);
        m_out->put(lha::kCharBits, static_cast<uint32_t>(m_charCode.onlySymbol()));
    }
    if (m_posCode.usedSymbols() >= 2) {
        writeLengths(m_posCode, m_positionCodes, m_positionBits, -1);
    } else {
        m_out->put(m_positionBits, 0);
        m_out->put(m_positionBits, static_cast<uint32_t>(m_posCode.onlySymbol()));
    }

    const std::vector<uint8_t>& cl = m_charCode.lengths();
    const std::vector<uint16_t>& cc = m_charCode.codes();
    const std::vector<uint8_t>& pl = m_posCode.lengths();
    const std::vector<uint16_t>& pc = m_posCode.codes();
    for (size_t i = 0; i < m_codes.size(); ++i) {
        uint16_t c = m_codes[i];
        m_out->put(cl[c], cc[c]);
        if (c >= 256) {
            uint32_t p = m_distances[i];
            int bits = bitLength(p);
            m_out->put(pl[bits], pc[bits]);
            if (bits > 1)
                m_out->put(bits - 1, p & ((1u << (bits - 1)) - 1));
        }
    }
    m_codes.clear();
    m_distances.clear();
    std::fill(m_charFreq.begin(), m_charFreq.end(), 0);
    std::fill(m_posFreq.begin(), m_posFreq.end(), 0);
    return !m_out->failed() && !m_out->overLimit();
}

Status Encoder::encode(const Input& input, const Output& output, uint64_t limit, Result& result) {
    result = Result{};
    m_base = m_pos = m_end = m_inserted = 0;
    m_eof = false;
    m_prevLength = 0;
    m_havePending = false;
    std::fill(m_head.begin(), m_head.end(), 0);
    std::fill(m_head3.begin(), m_head3.end(), 0);
    m_codes.clear();
    m_distances.clear();
    std::fill(m_charFreq.begin(), m_charFreq.end(), 0);
    std::fill(m_posFreq.begin(), m_posFreq.end(), 0);

    BitWriter out(output, limit);
    m_out = &out;
    Crc16 crc;
    Status status;
    for (;;) {
        uint64_t oldEnd = m_end;
        if (!fillWindow(input, status))
            break;
        crc.update(m_buffer.data() + (oldEnd - m_base), m_end - oldEnd);
        compress(m_eof);
        if (out.failed() || out.overLimit())
            break;
        if (m_eof && m_pos >= m_end) {
            flushBlock();
            out.finish();
            break;
        }
    }
    m_out = nullptr;
    if (!status.ok())
        return status;
    if (out.failed())
        return Status(Code::Io, "write error");
    result.gaveUp = out.overLimit();
    result.originalSize = m_end;
    result.compressedSize = out.written();
    result.crc = crc.value();
    return {};
}

} // namespace unlha
