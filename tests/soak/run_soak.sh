#!/usr/bin/env bash
# Soak run: builds the program with AddressSanitizer and UndefinedBehaviorSanitizer, runs it on
# a generated instance of PERSONS persons for SECONDS seconds while checking every interim
# results.txt (whole, consistent with the input, best score never rising), then stops it with
# SIGINT and checks the exit code, the final file and that no sanitizer reported anything.
#
# Usage: tests/soak/run_soak.sh [SECONDS] [PERSONS]   defaults: 300 seconds, 2000 persons
#        SOAK_BUILD_DIR=DIR                           build folder (default build-soak)
# Not part of the CTest run; takes SECONDS plus a few minutes of building.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds="${1:-300}"
persons="${2:-2000}"
build="${SOAK_BUILD_DIR:-build-soak}"
interval=15

echo "== building with address,undefined in $build"
cmake -S . -B "$build" -DQM_SANITIZE=address,undefined -DQM_BUILD_TESTS=OFF \
  -DQM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target quorvalemixer
"${CXX:-g++}" -std=c++20 -O1 -g -fsanitize=address,undefined -fno-sanitize-recover=all -I. \
  tests/soak/soak_tool.cc tests/support/results_checker.cc \
  "$build/libquorvale_core.a" -o "$build/soak_tool"

folder="$(mktemp -d /tmp/quorvale-soak-XXXXXX)"
"$build/soak_tool" generate "$folder" "$persons" 1
echo "== $persons persons for $seconds s in $folder"
"$build/quorvalemixer" --folder "$folder" --no-pause --seed 1 \
  >"$folder/screen.txt" 2>"$folder/stderr.txt" &
pid=$!

fail() {
  echo "SOAK FAILED: $*"
  kill -KILL "$pid" 2>/dev/null || true
  echo "-- stderr:"; tail -n 40 "$folder/stderr.txt" || true
  echo "(files kept in $folder)"
  exit 1
}

last_best=""
snapshots=0
start=$SECONDS
while [ $((SECONDS - start)) -lt "$seconds" ]; do
  sleep "$interval"
  kill -0 "$pid" 2>/dev/null || fail "the program ended on its own"
  [ -f "$folder/results.txt" ] || continue
  line="$("$build/soak_tool" check "$folder")" || fail "interim results.txt broken"
  best="$(echo "$line" | cut -d' ' -f2)"
  if [ -n "$last_best" ] && [ "$best" -gt "$last_best" ]; then
    fail "best score rose from $last_best to $best"
  fi
  last_best="$best"
  snapshots=$((snapshots + 1))
  echo "$((SECONDS - start)) s: $line"
done

# Interim saving starts after 16 s: a long soak that never saw a file never finished a pass.
if [ "$seconds" -ge 60 ] && [ "$snapshots" -eq 0 ]; then
  fail "no interim results.txt in $seconds s: the search never finished a pass"
fi

kill -INT "$pid"
waited=0
while kill -0 "$pid" 2>/dev/null; do
  [ "$waited" -lt 120 ] || fail "no exit within 120 s of SIGINT"
  sleep 1
  waited=$((waited + 1))
done
status=0
wait "$pid" || status=$?
[ "$status" -eq 130 ] || fail "exit code $status after SIGINT, expected 130"
line="$("$build/soak_tool" check "$folder")" || fail "final results.txt broken"
if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error' "$folder/stderr.txt"; then
  fail "a sanitizer reported an error"
fi
grep -q "Search stopped: the best grouping found so far is saved in $folder/results.txt" \
  "$folder/screen.txt" || fail "the screen does not say where the results were saved"
echo "== soak passed: $snapshots interim files checked, final $line, exit code $status"
rm -rf "$folder"
