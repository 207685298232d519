#pragma once

#include "HuffmanCode.h"
#include "Status.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace unlha {

// Compresses one member's data with -lh5-, -lh6- or -lh7-: LZSS over a sliding window with
// hash chains and one step of lazy matching, then blocks of static Huffman codes. One object
// compresses one stream at a time and can be reused; it is not shared between threads.
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

    bool fillWindow(const Input& input, Status& status);
    void compress(bool atEnd);
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

    std::vector<uint8_t> m_buffer;
    uint64_t m_base = 0;     // stream position of m_buffer[0]
    uint64_t m_pos = 0;      // next position to code
    uint64_t m_end = 0;      // stream position after the last byte read
    uint64_t m_inserted = 0; // positions below this are in the hash chains
    bool m_eof = false;
    std::vector<uint32_t> m_head;  // four-byte strings: newest place + 1
    std::vector<uint32_t> m_head3; // three-byte strings: newest place + 1
    std::vector<uint32_t> m_prev;

    // Lazy matching carries one pending match across calls of compress().
    int m_prevLength = 0;
    uint32_t m_prevDistance = 0;
    bool m_havePending = false;

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
