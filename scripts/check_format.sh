#!/usr/bin/env bash
# Fails when a source file under src, tests, bench or fuzz is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
  'fuzz/*.cpp' 'fuzz/*.h' 'dist/*.cpp' | xargs -d '\n' clang-format --dry-run --Werror
