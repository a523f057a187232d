#!/usr/bin/env bash
# Installs what is missing, builds the optimised program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
scorvane_install_missing
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DSCORVANE_TESTS=OFF > /dev/null
cmake --build build/release -j"$(nproc)" --target scorvane scorvane-cli
exec build/release/src/scorvane "$@"
