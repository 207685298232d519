#include "Crc16.h"

#include <array>
#include <bit>
#include <cstring>

namespace unlha {
namespace {

// Eight tables let the loop fold eight bytes per step; testing a large archive spends most
// of its time outside the decoder otherwise.
struct Tables {
    std::array<std::array<uint16_t, 256>, 8> t{};
    constexpr Tables() {
        for (unsigned i = 0; i < 256; ++i) {
            unsigned c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
            t[0][i] = static_cast<uint16_t>(c);
        }
        for (unsigned i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k)
                t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    }
};

constexpr Tables kTables;

} // namespace

void Crc16::update(const uint8_t* data, size_t size) {
    const auto& t = kTables.t;
    unsigned crc = m_crc;
    while (size >= 8) {
        uint64_t v;
        std::memcpy(&v, data, 8);
        if constexpr (std::endian::native == std::endian::big)
            v = __builtin_bswap64(v);
        v ^= crc;
        crc = t[7][v & 0xFF] ^ t[6][(v >> 8) & 0xFF] ^ t[5][(v >> 16) & 0xFF] ^
              t[4][(v >> 24) & 0xFF] ^ t[3][(v >> 32) & 0xFF] ^ t[2][(v >> 40) & 0xFF] ^
              t[1][(v >> 48) & 0xFF] ^ t[0][v >> 56];
        data += 8;
        size -= 8;
    }
    while (size--)
        crc = (crc >> 8) ^ t[0][(crc ^ *data++) & 0xFF];
    m_crc = static_cast<uint16_t>(crc);
}

uint16_t Crc16::of(const uint8_t* data, size_t size) {
    Crc16 c;
    c.update(data, size);
    return c.value();
}

} // namespace unlha
