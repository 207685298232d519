#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
BUILD_DIR=${BUILD_DIR:-build} bash scripts/build.sh -DTREVANE_TESTS=ON "$@"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j "$(nproc)" --timeout 600
