#!/usr/bin/env bash
# Lint: clang-format must leave every C++ file as it is, every include must run down a floor
# (scripts/check_floors.sh), and clang-tidy (.clang-tidy) must find nothing in the product code.
# Uses the compile commands of a build folder (default build/), configuring it when they are
# missing.
#   scripts/lint.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

mapfile -t cpp_files < <(git ls-files '*.cc' '*.h')
echo "== clang-format check (${#cpp_files[@]} files)"
clang-format --dry-run --Werror "${cpp_files[@]}"

bash scripts/check_floors.sh

if [ ! -f "$build/compile_commands.json" ]; then
  cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
fi
mapfile -t product < <(git ls-files 'app/*.cc' 'base/*.cc' 'console/*.cc' 'engine/*.cc' \
  'input/*.cc' 'model/*.cc' 'proof/*.cc' 'report/*.cc' 'roster/*.cc')
echo "== clang-tidy (${#product[@]} product files)"
# The compile commands are GCC's: clang-tidy skips the warning options only GCC knows.
run-clang-tidy -quiet -p "$build" -j "$(nproc)" -extra-arg=-Wno-unknown-warning-option \
  "${product[@]/#/$PWD/}" >"$build/clang-tidy.log" 2>&1 ||
  status=$?
if [ "${status:-0}" -ne 0 ] || grep -qE '(warning|error):' "$build/clang-tidy.log"; then
  grep -E -A3 '(warning|error):' "$build/clang-tidy.log" || tail -20 "$build/clang-tidy.log"
  echo "clang-tidy found problems (full log: $build/clang-tidy.log)"
  exit 1
fi
echo "lint: clean"
