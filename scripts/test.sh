#!/usr/bin/env bash
# Installs everything the tests need, builds both targets (the native Linux
# program, with and without sanitizers, and Kalvessa.scr for Windows) and runs
# the whole suite: unit tests under AddressSanitizer + UndefinedBehaviorSanitizer,
# then every test (unit, Xvfb and Wine integration) on the normal build.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash scripts/install-deps.sh test

echo "== Building Kalvessa.scr (MinGW-w64)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"

echo "== Building the native Linux program and tests"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$jobs"

echo "== Unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j"$jobs" --target kal_unit_tests
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build/asan/tests/kal_unit_tests --gtest_brief=1

echo "== The whole suite"
ctest --preset linux -j1 --timeout 600
