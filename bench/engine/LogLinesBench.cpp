// Appending to the log panel's store under a 500-line limit must cost the same per line however
// many lines came before: compare the per-line time after 500 and after 500,000 appends.
#include "engine/LogLines.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void appendAfter(benchmark::State& state) {
    const auto before = static_cast<std::size_t>(state.range(0));
    const std::string line = "C:/Data/some/folder/file-name.txt  12,345 bytes copied";
    for (auto _ : state) {
        state.PauseTiming();
        trevane::LogLines log;
        for (std::size_t i = 0; i < before; ++i)
            log.append(line, 500);
        state.ResumeTiming();
        for (int i = 0; i < 100000; ++i)
            benchmark::DoNotOptimize(log.append(line, 500));
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

} // namespace

BENCHMARK(appendAfter)->Arg(500)->Arg(500000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
