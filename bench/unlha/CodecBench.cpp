// Throughput of the compressor and decompressor alone, without files; the end-to-end
// comparison with jlha and lhasa is run.sh.
#include "ByteSource.h"
#include "Decoder.h"
#include "Encoder.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Something like program text: the library's own sources, repeated to 4 MB.
const std::string& sample() {
    static const std::string data = [] {
        std::ifstream in(UNLHA_SOURCE_DIR "/Encoder.cpp");
        std::ostringstream s;
        s << in.rdbuf();
        std::string text = s.str(), out;
        for (int i = 0; out.size() < (4u << 20); ++i)
            out += text + std::to_string(i);
        return out;
    }();
    return data;
}

std::string encodeSample(int digit) {
    const std::string& in = sample();
    size_t pos = 0;
    std::string out;
    unlha::Encoder enc(digit);
    unlha::Encoder::Result r;
    enc.encode(
        [&](uint8_t* d, size_t n) {
            n = std::min(n, in.size() - pos);
            std::memcpy(d, in.data() + pos, n);
            pos += n;
            return static_cast<long>(n);
        },
        [&](const uint8_t* d, size_t n) {
            out.append(reinterpret_cast<const char*>(d), n);
            return true;
        },
        ~0ull, r);
    return out;
}

void Compress(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeSample(static_cast<int>(state.range(0))));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample().size()));
}
BENCHMARK(Compress)->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond);

void Decompress(benchmark::State& state) {
    const int digit = static_cast<int>(state.range(0));
    const std::string packed = encodeSample(digit);
    const std::string method = "-lh" + std::to_string(digit) + "-";
    unlha::Decoder dec;
    for (auto _ : state) {
        unlha::MemorySource src(reinterpret_cast<const uint8_t*>(packed.data()), packed.size());
        size_t n = 0;
        dec.decode(method, src, packed.size(), sample().size(), [&](const uint8_t*, size_t k) {
            n += k;
            return true;
        });
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample().size()));
}
BENCHMARK(Decompress)->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
