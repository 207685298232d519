#!/usr/bin/env bash
# Builds and runs the engine's benchmarks in BUILD_DIR (default: build-bench): the log panel's
# append cost after 500 and after 500,000 lines under a 500-line limit. The two per-line times
# should match.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${BUILD_DIR:-build-bench}
cmake -S . -B "$dir" -G Ninja -DTREVANE_BENCH=ON >/dev/null
cmake --build "$dir" --target engine_loglines_bench -j 2
"$dir"/bin/engine_loglines_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
