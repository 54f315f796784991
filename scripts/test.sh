#!/usr/bin/env bash
# Installs everything the tests need, checks the formatting, builds both
# targets (the native Linux program, with and without sanitizers, and
# Kalvessa.scr for Windows) and runs the whole suite: unit tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, clang-tidy, the fuzz targets
# for a bounded time, then every test (unit, Xvfb and Wine integration) on the
# normal build.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash scripts/install-deps.sh test
bash scripts/ninja-dir.sh build/windows build/linux build/asan

echo "== Formatting (clang-format)"
bash scripts/check-format.sh

echo "== The folders' include rule"
bash scripts/check-layers.sh

echo "== Building Kalvessa.scr (MinGW-w64)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"

echo "== Building the native Linux program and tests"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$jobs"

echo "== Unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j"$jobs" --target kal_unit_tests
ctest --preset unit-asan

echo "== clang-tidy over the product code (both targets)"
bash scripts/lint.sh build/linux build/windows

echo "== Fuzzing, bounded (scripts/fuzz.sh runs longer on request)"
bash scripts/fuzz.sh 20

# A system-wide install belongs on a throwaway machine only: the CI's, or on
# request. (The package test in the suite installs into a private root.)
if [ -n "${CI:-}" ] || [ "${KAL_DEB_ROUNDTRIP:-0}" = 1 ]; then
  echo "== The .deb installed system-wide, run and removed again"
  bash scripts/deb-roundtrip.sh build/linux
fi

echo "== The whole suite"
ctest --preset linux -j1 --timeout 600
