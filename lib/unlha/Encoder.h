#pragma once

#include "HuffmanCode.h"
#include "LhaFormat.h"
#include "Status.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace unlha {

// Compresses one member's data with -lh5-, -lh6- or -lh7-: blocks of static Huffman codes
// over LZSS tokens. The matches of every position of a segment are gathered first (hash
// chains); the segment is cut into blocks where its statistics change, and each block is
// parsed for the fewest bits (a shortest path over its positions) under the code lengths
// its greedy parse would get. One object compresses one stream at a time and can be
// reused; it is not shared between threads.
class Encoder {
public:
    // Fills data with up to size bytes; returns how many (0 at the end), or -1 on an error.
    using Input = std::function<long(uint8_t* data, size_t size)>;
    // Takes compressed bytes in order; false stops with an I/O error.
    using Output = std::function<bool(const uint8_t* data, size_t size)>;

    struct Result {
        uint64_t originalSize = 0;
        uint64_t compressedSize = 0;
        uint16_t crc = 0;
        bool gaveUp = false; // output passed the limit; the member should be stored
    };

    // methodDigit is 5, 6 or 7.
    explicit Encoder(int methodDigit);
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Compresses all of input. When the output grows past limit bytes the encoder stops
    // early with result.gaveUp set (the data does not shrink); the input is then not read
    // to its end.
    Status encode(const Input& input, const Output& output, uint64_t limit, Result& result);

private:
    class BitWriter;
    // Position codes (bit lengths of distance - 1) of the largest window.
    static constexpr int kMaxPositionCodes = 17;
    // Counted symbols of a block: characters and lengths, then position codes.
    static constexpr int kSymbols = lha::kNumChars + kMaxPositionCodes;
    struct Match {
        uint16_t length;
        uint16_t distance;
    };
    struct Token {
        uint16_t length; // 1 for a literal
        uint16_t distance;
    };

    bool fillWindow(const Input& input, Status& status);
    void insert(uint64_t p);
    int findMatches(uint64_t p);
    void scan(uint64_t stop);
    bool codeSegment(bool atEnd);
    void chooseBlocks(uint64_t start, uint64_t end);
    bool codeBlock(uint64_t start, uint64_t end, const uint32_t* greedy);
    void setPrices(const HuffmanCode& chars, const HuffmanCode& positions);
    void parse(uint64_t start, uint64_t end);
    void emitLiteral(uint8_t c);
    void emitMatch(int length, uint32_t distance);
    bool flushBlock();
    void writeLengths(const HuffmanCode& code, int symbols, int countBits, int special);
    void writeCharLengths();

    int m_dictBits;
    int m_positionCodes;
    int m_positionBits;
    uint32_t m_window;
    int m_maxChain;
    int m_niceLength;
    int m_hashShift;
    int m_shallowChain;

    std::vector<uint8_t> m_buffer;
    uint64_t m_base = 0;         // stream position of m_buffer[0]
    uint64_t m_pos = 0;          // next position to code; the matches from here on are gathered
    uint64_t m_scan = 0;         // next position whose matches are to be found
    uint64_t m_end = 0;          // stream position after the last byte read
    uint64_t m_shallowUntil = 0; // positions before it search m_shallowChain steps
    bool m_eof = false;
    // Places in the hash tables are stored as stream position + m_hashBase; smaller values
    // belong to earlier streams (0: none).
    uint32_t m_hashBase = 0;
    std::vector<uint32_t> m_head;  // four-byte strings: newest place
    std::vector<uint32_t> m_head3; // three-byte strings: newest place
    std::vector<uint32_t> m_prev;

    // Matches of the positions m_pos .. m_scan - 1, each position's by growing length:
    // those of m_pos + i are m_matches[m_first[i] .. m_first[i + 1]).
    std::vector<uint32_t> m_first;
    std::vector<Match> m_matches;

    // The blocks chosen for the gathered positions.
    std::vector<uint32_t> m_prefix; // greedy counts of the chunks before each chunk
    std::vector<uint64_t> m_blockEnds;
    std::vector<uint32_t> m_blockCounts;

    // The parse: bits per symbol, and per position the cheapest way there.
    uint32_t m_charPrice[lha::kNumChars] = {};
    uint32_t m_posPrice[kMaxPositionCodes] = {};
    std::vector<uint32_t> m_cost;
    std::vector<uint32_t> m_step; // length | distance << 16
    std::vector<Token> m_tokens;

    std::vector<uint16_t> m_codes;     // literal or length code per token
    std::vector<uint16_t> m_distances; // distance - 1 for match tokens
    std::vector<uint32_t> m_charFreq;
    std::vector<uint32_t> m_posFreq;
    HuffmanCode m_charCode;
    HuffmanCode m_posCode;
    HuffmanCode m_tempCode;

    BitWriter* m_out = nullptr;
};

} // namespace unlha
