#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (build/fuzz, -DSCORVANE_FUZZ=ON, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60) from a corpus seeded with
# the inputs of tests/data and fuzz/make_seeds.py. The corpus grows in build/fuzz/corpus/<target>
# from run to run. A crash, leak, timeout or memory blow-up leaves its input in
# build/fuzz/findings/<target>/; keep the minimal one in tests/data/fuzz-found/<target>/ once the
# reader is fixed, where the test suite replays it. Executions per target go to
# build/fuzz/fuzz-stats.txt.
#
# usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
  -DSCORVANE_FUZZ=ON -DSCORVANE_TESTS=OFF "${launcher[@]}" > /dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do
    t=$(basename "$f" .cpp)
    targets+=("${t#fuzz_}")
  done
fi
cmake --build build/fuzz -j2 --target "${targets[@]/#/fuzz_}" > build/fuzz/build.log || { tail -30 build/fuzz/build.log; exit 1; }

# Each run seeds from a folder of its own, so two runs can go side by side.
seeds=build/fuzz/seeds-$$
trap 'rm -rf "$seeds"' EXIT
python3 fuzz/make_seeds.py "$seeds"
mkdir -p "$seeds/archive" && cp tests/data/broken/*.gdt "$seeds/archive/"
# The workbooks other programs wrote, for the two workbook readers, and the hand-made .xls of the
# damage tests (each kind of BIFF8 record and compound document).
mkdir -p "$seeds/xlsx" "$seeds/xls" && cp tests/data/exchange/*.xlsx "$seeds/xlsx/" && cp tests/data/exchange/*.xls "$seeds/xls/"
mkdir -p "$seeds/broken" && python3 tests/data/broken/make_hostile_workbooks.py "$seeds/broken" && cp "$seeds"/broken/*.xls "$seeds/xls/"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$t
  findings=build/fuzz/findings/$t
  mkdir -p "$corpus" "$findings"
  log=build/fuzz/logs/$t.log
  mkdir -p build/fuzz/logs
  extra=()
  [ -d "tests/data/fuzz-found/$t" ] && extra+=("tests/data/fuzz-found/$t")
  [ -d "$seeds/$t" ] && extra+=("$seeds/$t")
  [ -f "fuzz/$t.dict" ] && extra+=(-dict="fuzz/$t.dict")
  echo "== $t: ${seconds}s"
  result=ok
  if ! build/fuzz/fuzz/fuzz_"$t" "$corpus" "${extra[@]}" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -malloc_limit_mb=1024 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$findings/" > "$log" 2>&1; then
    status=1
    result=found
    echo "   FOUND: $(grep -m1 -E 'ERROR|WARNING|runtime error|No such' "$log" || true)"
    ls "$findings" || true
  fi
  runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}' || true)
  echo "   executions: ${runs:-?}"
  echo "$(date -u +%FT%TZ) $t ${seconds}s executions=${runs:-?} $result" \
    >> build/fuzz/fuzz-stats.txt
done
exit $status
