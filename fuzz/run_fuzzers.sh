#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer) and runs
# each for a bounded time from its seed corpus. Fails when any target reports a crash, a
# sanitizer error, a broken invariant or a hang; prints the executions of every target.
#
# Usage: fuzz/run_fuzzers.sh [SECONDS]   seconds per target (default 60, or $FUZZ_SECONDS)
#        FUZZ_BUILD_DIR=DIR              build folder (default build-fuzz)
# New inputs found during a run go to a scratch copy of the corpus, not into fuzz/corpus/; an
# input that failed is kept in DIR/fuzz-artifacts/ and its path is printed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-${FUZZ_SECONDS:-60}}"
build="${FUZZ_BUILD_DIR:-build-fuzz}"
targets=(whole_run roster)

echo "== building the fuzz targets in $build"
CXX="${FUZZ_CXX:-clang++}" cmake -S . -B "$build" -DQM_BUILD_FUZZ=ON \
  -DQM_SANITIZE=address,undefined -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

failed=()
for target in "${targets[@]}"; do
  corpus="$scratch/$target"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  log="$build/fuzz_$target.log"
  echo "== fuzz_$target for ${seconds} s"
  status=0
  ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}" \
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -rss_limit_mb=2048 -dict=fuzz/numbers.dict -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$corpus" >"$log" 2>&1 || status=$?
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  echo "fuzz_$target: ${executions:-?} executions, corpus $(ls "$corpus" | wc -l) inputs, exit $status"
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    grep -E 'ERROR|SUMMARY|check failed|runtime error|Test unit written' "$log" | head -n 20 || true
    echo "(full log: $log)"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all fuzz targets ran without a failure"
