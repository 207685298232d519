#include "Encoder.h"

#include "Crc16.h"
#include "LhaFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>

namespace unlha {

namespace {
// Hash table sizes: four entries per place of the window, at most 2^16 (tables that stay in
// the cache).
constexpr int kMaxHashBits = 16;
constexpr size_t kReadChunk = 256 * 1024;
constexpr uint64_t kLookahead = lha::kMaxMatch + 2;
constexpr size_t kOutputChunk = 64 * 1024;
constexpr uint32_t kHashBaseLimit = 1u << 31;
// Positions whose matches are gathered before blocks are chosen: the longest block.
constexpr size_t kSegment = 128 * 1024;
constexpr size_t kMaxBlockTokens = 65535;
// Hash chain steps per position, and the match length that ends the search (and is taken
// as it is, without looking for matches inside it).
constexpr int kChainShort = 32;
constexpr int kChainLong = 16;
constexpr int kNiceLength = 32;
// Positions inside a match of kLongMatch bytes or more, up to kLongMatchEnd bytes before its
// end, search a quarter of the chain.
constexpr int kLongMatch = 16;
constexpr int kLongMatchEnd = 2;
// Block choice: greedy tokens per chunk, and what a block's code tables cost in bits.
constexpr size_t kSplitChunk = 256;
constexpr float kTableBits = 300;
constexpr float kBitsPerUsedChar = 5;
constexpr float kBitsPerUsedPos = 3;

// x * log2(x) for every count a segment can hold.
const std::vector<float>& xLogX() {
    static const std::vector<float> table = [] {
        std::vector<float> t(kSegment + lha::kMaxMatch + 2, 0);
        for (size_t x = 1; x < t.size(); ++x)
            t[x] = static_cast<float>(static_cast<double>(x) * std::log2(static_cast<double>(x)));
        return t;
    }();
    return table;
}

// The first three bytes of a four-byte load.
constexpr uint32_t kFirstThreeBytes =
    std::endian::native == std::endian::little ? 0x00FFFFFFu : 0xFFFFFF00u;

inline uint32_t hash3(const uint8_t* p, int shift) {
    uint32_t v = static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
    return (v * 0x9E3779B1u) >> shift;
}

inline uint32_t hash4(const uint8_t* p, int shift) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 0x9E3779B1u) >> shift;
}

// Index of the first differing byte of two eight-byte loads, given their exclusive or.
inline int firstDifferentByte(uint64_t x) {
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(x) >> 3;
    else
        return std::countl_zero(x) >> 3;
}

inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline int bitLength(uint32_t v) {
    return v ? 32 - std::countl_zero(v) : 0;
}

// The parse's inner step: the lengths low .. top of a match from position 0 of cost and
// step, each at base + price[length], replace what reaches them for more. Steps are
// length | distance << 16. Four lengths at a time without branches: which way is cheaper
// changes from length to length too often to predict.
inline void relax(uint32_t* cost, uint32_t* step, int low, int top, uint32_t base,
                  uint32_t distanceBits, const uint32_t* price) {
    using Lanes = uint32_t __attribute__((vector_size(16)));
    int len = low;
    for (; len + 3 <= top; len += 4) {
        Lanes c, old, oldStep, p;
        std::memcpy(&p, price + len, sizeof p);
        std::memcpy(&old, cost + len, sizeof old);
        std::memcpy(&oldStep, step + len, sizeof oldStep);
        c = p + base;
        const Lanes lengths = Lanes{0, 1, 2, 3} + static_cast<uint32_t>(len);
        const Lanes take = c < old;
        old = (c & take) | (old & ~take);
        oldStep = ((lengths | distanceBits) & take) | (oldStep & ~take);
        std::memcpy(cost + len, &old, sizeof old);
        std::memcpy(step + len, &oldStep, sizeof oldStep);
    }
    for (; len <= top; ++len) {
        const uint32_t c = base + price[len];
        const bool take = c < cost[len];
        cost[len] = take ? c : cost[len];
        step[len] = take ? (static_cast<uint32_t>(len) | distanceBits) : step[len];
    }
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
    // Fewer steps along the longer windows' chains, whose tables leave the cache: every
    // method then costs about the same time per byte.
    m_maxChain = m_dictBits >= 15 ? kChainLong : kChainShort;
    m_niceLength = kNiceLength;
    // Inside a long match a new one rarely pays before its last bytes: a quarter of the
    // chain there.
    m_shallowChain = m_maxChain / 4;
    m_buffer.resize(m_window + kSegment + kReadChunk + 4 * kLookahead + 16);
    const int hashBits = std::min(m_dictBits + 2, kMaxHashBits);
    m_hashShift = 32 - hashBits;
    m_head.assign(size_t{1} << hashBits, 0);
    m_head3.assign(size_t{1} << hashBits, 0);
    m_prev.assign(m_window, 0);
    m_first.assign(kSegment + kLookahead + 2, 0);
    m_matches.reserve(4 * kSegment);
    m_cost.assign(kSegment + kLookahead + 2, 0);
    m_step.assign(kSegment + kLookahead + 2, 0);
    m_tokens.reserve(kSegment + kLookahead);
    m_codes.reserve(kMaxBlockTokens);
    m_distances.reserve(kMaxBlockTokens);
    m_charFreq.assign(lha::kNumChars, 0);
    m_posFreq.assign(static_cast<size_t>(m_positionCodes), 0);
}

Encoder::~Encoder() = default;

bool Encoder::fillWindow(const Input& input, Status& status) {
    if (m_eof)
        return true;
    // Keep one window of history behind the first position not yet coded, drop the rest.
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

// Two tables: the most recent place of every three-byte string, for the nearest three-byte
// match, and chains of places by four-byte string for the longer ones, which hold far fewer
// false candidates than chains of three-byte strings.
void Encoder::insert(uint64_t p) {
    const uint8_t* b = m_buffer.data() + (p - m_base);
    const uint32_t here = static_cast<uint32_t>(p + m_hashBase);
    m_head3[hash3(b, m_hashShift)] = here;
    if (m_end - p >= 4) {
        uint32_t h4 = hash4(b, m_hashShift);
        m_prev[p & (m_window - 1)] = m_head[h4];
        m_head[h4] = here;
    }
}

// Appends the matches at p to m_matches, each longer and farther than the one before;
// returns the longest length (0 for none). Inserts p.
int Encoder::findMatches(uint64_t p) {
    const uint64_t avail = m_end - p;
    if (avail < lha::kThreshold)
        return 0;
    const uint8_t* b = m_buffer.data() + (p - m_base);
    const uint32_t here = static_cast<uint32_t>(p + m_hashBase);
    uint32_t& head3 = m_head3[hash3(b, m_hashShift)];
    const uint32_t cand3 = head3;
    head3 = here;
    uint32_t cand = 0;
    if (avail >= 4) {
        uint32_t& head = m_head[hash4(b, m_hashShift)];
        cand = head;
        m_prev[p & (m_window - 1)] = cand;
        head = here;
    }
    const int maxLen = static_cast<int>(std::min<uint64_t>(avail, lha::kMaxMatch));
    // A stored place is taken by its distance: one comparison rejects places outside the
    // window, before the stream and of earlier streams alike.
    const uint32_t maxDistance = static_cast<uint32_t>(std::min<uint64_t>(m_window - 1, p));
    const uint32_t first3 = load32(b) & kFirstThreeBytes;
    // The four bytes ending where a longer match must still agree reject most candidates
    // with one comparison.
    int best = lha::kThreshold - 1;
    int tail = 0;
    uint32_t tailMask = kFirstThreeBytes;
    uint32_t tailBytes = first3;
    int chain = p < m_shallowUntil ? m_shallowChain : m_maxChain;
    // Tries the candidate d bytes back; true when nothing longer can be found.
    auto tryAt = [&](uint32_t d) __attribute__((always_inline)) {
        const uint8_t* m = b - d;
        if ((load32(m + tail) & tailMask) != tailBytes || (load32(m) & kFirstThreeBytes) != first3)
            return false;
        int len = 3;
        while (len < maxLen) {
            uint64_t x, y;
            std::memcpy(&x, m + len, 8);
            std::memcpy(&y, b + len, 8);
            if (x != y) {
                len += firstDifferentByte(x ^ y);
                break;
            }
            len += 8;
        }
        len = std::min(len, maxLen);
        if (len <= best)
            return false;
        best = len;
        m_matches.push_back(Match{static_cast<uint16_t>(len), static_cast<uint16_t>(d)});
        if (best >= m_niceLength || best >= maxLen)
            return true;
        tail = best - 3;
        tailMask = ~0u;
        tailBytes = load32(b + tail);
        return false;
    };
    bool done = false;
    if (const uint32_t d = here - cand3; d - 1 < maxDistance)
        done = tryAt(d);
    while (!done && chain-- > 0) {
        const uint32_t d = here - cand;
        if (d - 1 >= maxDistance)
            break;
        done = tryAt(d);
        cand = m_prev[(p - d) & (m_window - 1)];
    }
    return best >= lha::kThreshold ? best : 0;
}

// Gathers the matches of the positions from m_scan up to stop, at most one segment ahead
// of m_pos. Inside a match of the nice length or longer the positions are only inserted:
// such a match is taken as it is.
void Encoder::scan(uint64_t stop) {
    while (m_scan < stop && m_scan - m_pos < kSegment) {
        const size_t i = static_cast<size_t>(m_scan - m_pos);
        const int longest = findMatches(m_scan);
        m_first[i + 1] = static_cast<uint32_t>(m_matches.size());
        if (longest >= kLongMatch)
            m_shallowUntil =
                std::max(m_shallowUntil, m_scan + static_cast<uint64_t>(longest - kLongMatchEnd));
        ++m_scan;
        if (longest >= m_niceLength) {
            for (int k = 1; k < longest; ++k, ++m_scan) {
                if (m_end - m_scan >= lha::kThreshold)
                    insert(m_scan);
                m_first[m_scan - m_pos + 1] = static_cast<uint32_t>(m_matches.size());
            }
        }
    }
}

// Greedy tokens of start .. end (the longest match wherever there is one), counted in
// chunks; the chunks are grouped into blocks by halving while the estimated size (entropy
// of each block plus its code tables) shrinks. Fills m_blockEnds with the end of every
// block and m_blockCounts with the greedy tokens' counts of each, kSymbols per block.
void Encoder::chooseBlocks(uint64_t start, uint64_t end) {
    std::vector<uint32_t>& prefix = m_prefix;
    prefix.assign(kSymbols, 0);
    std::vector<uint64_t> chunkStart{start};
    std::vector<uint32_t> hist(kSymbols, 0);
    size_t tokens = 0;
    for (uint64_t p = start; p < end;) {
        const size_t i = static_cast<size_t>(p - m_pos);
        int len = 1;
        if (m_first[i + 1] > m_first[i]) {
            const Match& m = m_matches[m_first[i + 1] - 1];
            len = static_cast<int>(std::min<uint64_t>(m.length, end - p));
            if (len >= lha::kThreshold) {
                ++hist[256 + len - lha::kThreshold];
                ++hist[lha::kNumChars + bitLength(m.distance - 1u)];
            } else {
                len = 1;
            }
        }
        if (len == 1)
            ++hist[m_buffer[p - m_base]];
        p += static_cast<uint64_t>(len);
        if (++tokens % kSplitChunk == 0 && p < end) {
            for (int s = 0; s < kSymbols; ++s)
                prefix.push_back(prefix[prefix.size() - kSymbols] + hist[s]);
            std::fill(hist.begin(), hist.end(), 0);
            chunkStart.push_back(p);
        }
    }
    for (int s = 0; s < kSymbols; ++s)
        prefix.push_back(prefix[prefix.size() - kSymbols] + hist[s]);
    chunkStart.push_back(end);
    const size_t chunks = chunkStart.size() - 1;

    const std::vector<float>& xlogx = xLogX();
    // The symbols a range of chunks uses: a part of the range uses no others, so its
    // estimate needs only these (in the same order, so the sums come out the same).
    struct Used {
        uint16_t symbols[kSymbols];
        int chars = 0; // symbols[0 .. chars) are characters and lengths, the rest positions
        int count = 0;
    };
    auto estimate = [&](size_t from, size_t to, const Used& used) {
        const uint32_t* a = prefix.data() + from * kSymbols;
        const uint32_t* b = prefix.data() + to * kSymbols;
        uint32_t n = 0, matches = 0, usedChars = 0, usedPos = 0;
        float sum = 0;
        for (int k = 0; k < used.chars; ++k) {
            const int s = used.symbols[k];
            uint32_t f = b[s] - a[s];
            if (f) {
                n += f;
                ++usedChars;
                sum -= xlogx[f];
            }
        }
        float posSum = 0;
        for (int k = used.chars; k < used.count; ++k) {
            const int s = used.symbols[k];
            uint32_t f = b[s] - a[s];
            if (f) {
                matches += f;
                ++usedPos;
                posSum -= xlogx[f];
            }
        }
        return sum + xlogx[n] + posSum + xlogx[matches] + kTableBits +
               kBitsPerUsedChar * static_cast<float>(usedChars) +
               kBitsPerUsedPos * static_cast<float>(usedPos);
    };
    m_blockEnds.clear();
    m_blockCounts.clear();
    auto split = [&](auto& self, size_t from, size_t to) -> void {
        Used used;
        for (int s = 0; s < kSymbols; ++s) {
            if (s == lha::kNumChars)
                used.chars = used.count;
            if (prefix[to * kSymbols + s] != prefix[from * kSymbols + s])
                used.symbols[used.count++] = static_cast<uint16_t>(s);
        }
        size_t cut = 0;
        float best = estimate(from, to, used);
        for (size_t m = from + 1; m < to; ++m) {
            float c = estimate(from, m, used) + estimate(m, to, used);
            if (c < best) {
                best = c;
                cut = m;
            }
        }
        if (cut == 0) {
            m_blockEnds.push_back(chunkStart[to]);
            for (int s = 0; s < kSymbols; ++s)
                m_blockCounts.push_back(prefix[to * kSymbols + s] - prefix[from * kSymbols + s]);
            return;
        }
        self(self, from, cut);
        self(self, cut, to);
    };
    split(split, 0, chunks);
}

void Encoder::setPrices(const HuffmanCode& chars, const HuffmanCode& positions) {
    auto fill = [](const HuffmanCode& code, int symbols, uint32_t* price) {
        const std::vector<uint8_t>& len = code.lengths();
        int longest = 0;
        for (uint8_t l : len)
            longest = std::max<int>(longest, l);
        // Symbols the code leaves out may still be used; they cost a little more than the
        // rarest one in it.
        const uint32_t unused = static_cast<uint32_t>(std::min(longest + 2, lha::kMaxCodeLength));
        for (int s = 0; s < symbols; ++s)
            price[s] = len[s] ? len[s] : unused;
        if (code.usedSymbols() == 1)
            price[code.onlySymbol()] = 1;
    };
    fill(chars, lha::kNumChars, m_charPrice);
    fill(positions, m_positionCodes, m_posPrice);
    for (int s = 2; s < m_positionCodes; ++s)
        m_posPrice[s] += static_cast<uint32_t>(s - 1);
}

// The cheapest tokens for start .. end under the current prices, into m_tokens. Every
// position is reached by a literal from the one before, so every cost is finite.
void Encoder::parse(uint64_t start, uint64_t end) {
    const size_t n = static_cast<size_t>(end - start);
    const size_t first = static_cast<size_t>(start - m_pos);
    const uint8_t* bytes = m_buffer.data() + (start - m_base);
    const uint32_t* lengthPrice = m_charPrice + 256 - lha::kThreshold;
    uint32_t* cost = m_cost.data();
    uint32_t* step = m_step.data();
    cost[0] = 0;
    std::fill(cost + 1, cost + n + 1, UINT32_MAX);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t here = cost[i];
        const uint32_t lit = here + m_charPrice[bytes[i]];
        if (lit < cost[i + 1]) {
            cost[i + 1] = lit;
            step[i + 1] = 1;
        }
        const uint32_t from = m_first[first + i], to = m_first[first + i + 1];
        if (from == to)
            continue;
        const Match* ms = m_matches.data() + from;
        int k = static_cast<int>(to - from) - 1;
        const int maxLen = static_cast<int>(std::min<size_t>(ms[k].length, n - i));
        if (maxLen < lha::kThreshold)
            continue;
        auto posPrice = [&](const Match& m) { return m_posPrice[bitLength(m.distance - 1u)]; };
        if (ms[k].length >= m_niceLength) {
            const uint32_t c = here + lengthPrice[maxLen] + posPrice(ms[k]);
            if (c < cost[i + maxLen]) {
                cost[i + maxLen] = c;
                step[i + maxLen] =
                    static_cast<uint32_t>(maxLen) | static_cast<uint32_t>(ms[k].distance) << 16;
            }
            continue;
        }
        // Every length up to the longest, each with the cheapest distance that reaches it:
        // the lengths down to the next shorter match are reached by this one or a longer one.
        uint32_t bestPos = UINT32_MAX;
        uint16_t bestDistance = 0;
        for (int top = maxLen; k >= 0; --k) {
            const uint32_t pp = posPrice(ms[k]);
            if (pp < bestPos) {
                bestPos = pp;
                bestDistance = ms[k].distance;
            }
            const int low = k > 0 ? ms[k - 1].length + 1 : lha::kThreshold;
            relax(cost + i, step + i, low, top, here + bestPos,
                  static_cast<uint32_t>(bestDistance) << 16, lengthPrice);
            top = std::min(top, low - 1);
        }
    }
    m_tokens.clear();
    for (size_t j = n; j > 0; j -= step[j] & 0xFFFF)
        m_tokens.push_back(
            Token{static_cast<uint16_t>(step[j] & 0xFFFF), static_cast<uint16_t>(step[j] >> 16)});
    std::reverse(m_tokens.begin(), m_tokens.end());
}

// Parses start .. end under the code the greedy tokens of the block (their counts in
// greedy, kSymbols of them) would get, and writes the result as one block, or as several
// when it has too many tokens for one.
bool Encoder::codeBlock(uint64_t start, uint64_t end, const uint32_t* greedy) {
    m_charCode.build(greedy, lha::kNumChars, lha::kMaxCodeLength);
    m_posCode.build(greedy + lha::kNumChars, m_positionCodes, lha::kMaxCodeLength);
    setPrices(m_charCode, m_posCode);
    parse(start, end);
    const uint8_t* bytes = m_buffer.data() + (start - m_base);
    const size_t parts = (m_tokens.size() + kMaxBlockTokens - 1) / kMaxBlockTokens;
    const size_t perBlock = (m_tokens.size() + parts - 1) / std::max<size_t>(parts, 1);
    uint64_t p = start;
    for (const Token& t : m_tokens) {
        if (t.length == 1)
            emitLiteral(bytes[p - start]);
        else
            emitMatch(t.length, t.distance);
        p += t.length;
        if (m_codes.size() >= perBlock && !flushBlock())
            return false;
    }
    return flushBlock();
}

// Codes the gathered positions as blocks. Unless the input has ended, a last block smaller
// than half a segment is kept back: the next segment may continue it.
bool Encoder::codeSegment(bool atEnd) {
    if (m_scan == m_pos)
        return true;
    chooseBlocks(m_pos, m_scan);
    const std::vector<uint64_t>& ends = m_blockEnds;
    size_t count = ends.size();
    if (!atEnd && count >= 2 && ends[count - 1] - ends[count - 2] < kSegment / 2)
        --count;
    uint64_t from = m_pos;
    for (size_t b = 0; b < count; ++b) {
        if (!codeBlock(from, ends[b], m_blockCounts.data() + b * kSymbols))
            return false;
        from = ends[b];
    }
    // Keep the matches of the positions not yet coded.
    const size_t drop = static_cast<size_t>(from - m_pos);
    const size_t keep = static_cast<size_t>(m_scan - from);
    const uint32_t dropped = m_first[drop];
    for (size_t i = 0; i <= keep; ++i)
        m_first[i] = m_first[drop + i] - dropped;
    m_matches.erase(m_matches.begin(), m_matches.begin() + dropped);
    m_pos = from;
    return true;
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
    m_eof = false;
    // The tables keep the places of earlier streams, below m_hashBase, where no search
    // follows them; they are cleared only when the numbers would run out.
    const uint64_t nextBase = m_hashBase + std::min<uint64_t>(m_end, kHashBaseLimit) + 1;
    m_hashBase = static_cast<uint32_t>(nextBase);
    if (nextBase >= kHashBaseLimit) {
        std::fill(m_head.begin(), m_head.end(), 0);
        std::fill(m_head3.begin(), m_head3.end(), 0);
        m_hashBase = 1;
    }
    m_base = m_pos = m_scan = m_end = 0;
    m_shallowUntil = 0;
    m_first[0] = 0;
    m_matches.clear();
    m_codes.clear();
    m_distances.clear();
    std::fill(m_charFreq.begin(), m_charFreq.end(), 0);
    std::fill(m_posFreq.begin(), m_posFreq.end(), 0);

    BitWriter out(output, limit);
    m_out = &out;
    Crc16 crc;
    Status status;
    bool stopped = false;
    while (!stopped) {
        uint64_t oldEnd = m_end;
        if (!fillWindow(input, status))
            break;
        crc.update(m_buffer.data() + (oldEnd - m_base), m_end - oldEnd);
        // Matches reach up to kMaxMatch bytes ahead: until the end is read, stop short of it.
        const uint64_t stop = m_eof ? m_end : m_end - std::min(m_end, kLookahead);
        for (;;) {
            scan(stop);
            if (m_scan - m_pos < kSegment)
                break;
            if (!codeSegment(false)) {
                stopped = true;
                break;
            }
        }
        if (stopped || out.failed() || out.overLimit())
            break;
        if (m_eof && m_scan >= m_end) {
            if (codeSegment(true))
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
