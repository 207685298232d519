#pragma once

#include "ByteSource.h"
#include "Status.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace unlha {

// Decompresses member data of the methods -lh0-, -lz4- (stored) and -lh4- to -lh7-. One
// object can decode many members in turn; it is not shared between threads.
class Decoder {
public:
    // Receives the decoded bytes in order; returning false stops decoding with an I/O error.
    using Sink = std::function<bool(const uint8_t* data, size_t size)>;

    Decoder();

    static bool supports(const std::string& method);

    // Reads exactly compressedSize bytes from source (so it is left at the next header, also
    // after an error in the data) and hands originalSize decoded bytes to sink. Damaged data
    // gives Code::Damaged; it can never make the decoder read or write out of bounds.
    Status decode(const std::string& method, ByteSource& source, uint64_t compressedSize,
                  uint64_t originalSize, const Sink& sink);

private:
    struct Table;

    Status copyStored(ByteSource& source, uint64_t size, const Sink& sink);
    Status decodeHuffman(int positionCodes, int positionBits, uint64_t originalSize,
                         const Sink& sink);

    // Bit input over the member's compressed bytes; past their end it yields zero bits and
    // counts how far it went, which tells truncated data from a short final flush.
    void refill();
    uint32_t peek(int n) const { return static_cast<uint32_t>(m_bits >> (64 - n)); }
    void consume(int n) {
        m_bits <<= n;
        m_bitCount -= n;
    }
    uint32_t getBits(int n);
    bool readLengths(Table& table, int symbols, int countBits, int special);
    bool readCharLengths(Table& charTable, const Table& tempTable);
    int decodeSymbol(const Table& table);

    ByteSource* m_source = nullptr;
    uint64_t m_inputLeft = 0;
    std::vector<uint8_t> m_input;
    size_t m_inPos = 0;
    size_t m_inEnd = 0;
    uint64_t m_bits = 0;
    int m_bitCount = 0;
    uint64_t m_overrun = 0;
    std::vector<uint8_t> m_window;
};

} // namespace unlha
