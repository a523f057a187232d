#!/usr/bin/env bash
# Builds the optimised benchmarks and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
# muparser and gnumeric (ssconvert) are yardsticks only; poppler counts the pages of the PDFs.
scorvane_install_missing libmuparser-dev gnumeric
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSCORVANE_TESTS=OFF -DSCORVANE_BENCH=ON > /dev/null
cmake --build build/bench -j"$(nproc)"
for b in build/bench/bench/bench_*; do [ -x "$b" ] && "$b"; done
