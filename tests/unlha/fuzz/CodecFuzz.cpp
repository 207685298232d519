// libFuzzer target: whatever the compressor makes of arbitrary bytes must decompress to
// exactly those bytes, with every method. The first byte picks the method.
#include "ByteSource.h"
#include "Decoder.h"
#include "Encoder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const int digit = 5 + data[0] % 3;
    ++data;
    --size;
    size_t pos = 0;
    std::string packed;
    unlha::Encoder encoder(digit);
    unlha::Encoder::Result r;
    encoder.encode(
        [&](uint8_t* d, size_t n) {
            // Uneven pieces, as reads from a pipe or a slow disk come.
            n = std::min({n, size - pos, size_t{1} + pos % 4093});
            std::memcpy(d, data + pos, n);
            pos += n;
            return static_cast<long>(n);
        },
        [&](const uint8_t* d, size_t n) {
            packed.append(reinterpret_cast<const char*>(d), n);
            return true;
        },
        ~0ull, r);
    if (size == 0)
        return 0;
    std::string back;
    unlha::MemorySource source(reinterpret_cast<const uint8_t*>(packed.data()), packed.size());
    unlha::Decoder decoder;
    unlha::Status s = decoder.decode("-lh" + std::to_string(digit) + "-", source, packed.size(),
                                     size, [&](const uint8_t* d, size_t n) {
                                         back.append(reinterpret_cast<const char*>(d), n);
                                         return true;
                                     });
    if (!s.ok() || back.size() != size || std::memcmp(back.data(), data, size) != 0)
        std::abort();
    return 0;
}
