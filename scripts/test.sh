#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer (warnings
# are errors there) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
scorvane_install_missing
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DSCORVANE_SANITIZE=ON > /dev/null
cmake --build build/test -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/test --output-on-failure -j"$(nproc)"
