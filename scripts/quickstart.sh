#!/usr/bin/env bash
# Quick start on a fresh Debian or Ubuntu machine: installs what the program needs to build,
# builds the program alone (no tests, no benchmark) and runs the bundled roster example.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

install_missing "${BUILD_PACKAGES[@]}"

echo "== building the program"
cmake -S . -B build -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF
cmake --build build --target quorvalemixer -j"$(nproc)"

echo "== running the roster example"
build/quorvalemixer examples/class-roster/pupils.toml --no-pause
