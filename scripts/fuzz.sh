#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build/fuzz and runs each
# for SECONDS_PER_TARGET seconds (default 20) from its seed corpus
# fuzz/corpus/<target>. Prints each target's executions and coverage; fails
# when any target finds a crash, a sanitizer report, a broken property, a leak,
# a hang or an allocation past 2 GB. The input that caused it is kept in
# build/fuzz/findings/<target>/ and the target's output in build/fuzz/logs/.
# The committed seeds are never changed: what a run discovers goes to a
# temporary corpus that is removed afterwards.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]
# Needs clang and libclang-rt-14-dev (libFuzzer and the sanitizer run-times).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [SECONDS_PER_TARGET]" >&2
  exit 2
fi
build=build/fuzz
jobs=${KAL_FUZZ_JOBS:-2}

targets=()
for dir in fuzz/corpus/*/; do
  targets+=("$(basename "$dir")")
done

echo "== Building the fuzz targets (clang, libFuzzer, ASan, UBSan) in $build"
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAL_WERROR=ON -DKAL_FUZZ=ON >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]/#/kal_fuzz_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/logs"

summary=()
failed=0
for t in "${targets[@]}"; do
  echo "== Fuzzing $t for ${seconds} s"
  findings="$build/findings/$t"
  log="$build/logs/$t.log"
  rm -rf "$findings"
  mkdir -p "$findings" "$work/$t"
  status=0
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/fuzz/kal_fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
    -artifact_prefix="$findings/" "$work/$t" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  # libFuzzer's final statistics, and its last status line for coverage.
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o ' cov: [0-9]*' "$log" | tail -n 1 | tr -dc '0-9' || true)
  features=$(grep -o ' ft: [0-9]*' "$log" | tail -n 1 | tr -dc '0-9' || true)
  corpus=$(grep -o ' corp: [0-9]*' "$log" | tail -n 1 | tr -dc '0-9' || true)
  if [ "$status" -eq 0 ]; then
    result="no finding"
  else
    failed=1
    result="FINDING (exit $status): $(find "$findings" -type f | head -n 1)"
    echo "-- $t: the fuzzer's report ($log)"
    grep -v -E '^#[0-9]+' "$log" | tail -n 40
  fi
  summary+=("$(printf '%-14s %11s executions  cov %5s  ft %6s  corpus %5s  %s' \
    "$t" "${execs:-?}" "${cov:-?}" "${features:-?}" "$corpus" "$result")")
done

echo "== Fuzzing results (${seconds} s per target)"
printf '%s\n' "${summary[@]}"
exit "$failed"
