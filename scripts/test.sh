#!/usr/bin/env bash
# Installs what the build and the tests need, builds everything with warnings as errors and runs
# all tests. Extra arguments go to CMake (CI adds -DQM_BUILD_BENCH=ON, for one).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
install_missing "${BROWSER_PACKAGES[@]}" || echo "== no Chromium: the report's browser test will be skipped"

echo "== building with warnings as errors"
cmake -S . -B build -DQM_WERROR=ON -DQM_BUILD_TESTS=ON "$@"
cmake --build build -j"$(nproc)"

echo "== running the tests"
ctest --test-dir build --output-on-failure
