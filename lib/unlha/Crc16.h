#pragma once

#include <cstddef>
#include <cstdint>

namespace unlha {

// CRC-16 as LHA archives store it for member data and level-2 headers: polynomial 0x8005
// in reflected form (0xA001), initial value 0, no final inversion.
class Crc16 {
public:
    void update(const uint8_t* data, size_t size);
    uint16_t value() const { return m_crc; }

    static uint16_t of(const uint8_t* data, size_t size);

private:
    uint16_t m_crc = 0;
};

} // namespace unlha
