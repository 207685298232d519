#pragma once

#include <cstdint>
#include <vector>

namespace unlha {

// Code lengths and canonical codes for one alphabet, as the static-Huffman methods store
// them: lengths at most maxLength bits, codes assigned in symbol order within each length.
class HuffmanCode {
public:
    // Builds lengths from symbol frequencies. With fewer than two used symbols all lengths
    // are zero and usedSymbols() tells which one (if any) is used.
    void build(const uint32_t* freq, int symbols, int maxLength);

    const std::vector<uint8_t>& lengths() const { return m_lengths; }
    const std::vector<uint16_t>& codes() const { return m_codes; }
    int usedSymbols() const { return m_used; }
    int onlySymbol() const { return m_only; }
    // Bits the given frequencies cost under this code.
    uint64_t cost(const uint32_t* freq) const;

private:
    void assignCodes();

    std::vector<uint8_t> m_lengths;
    std::vector<uint16_t> m_codes;
    int m_used = 0;
    int m_only = 0;
};

} // namespace unlha
