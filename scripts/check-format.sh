#!/usr/bin/env bash
# Fails, naming each file, when a tracked C++ file differs from what
# clang-format (with the repository's .clang-format) would make of it.
#   check-format.sh [--fix]   --fix rewrites those files in place
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is not installed (apt-get install clang-format)" >&2; exit 2; }

mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h' '*.hpp' '*.cc')
existing=()
for f in "${files[@]}"; do [ -f "$f" ] && existing+=("$f"); done  # not those deleted in the work tree
# One run over every file: a process per file takes a minute on a busy machine.
out=$(clang-format --dry-run -Werror "${existing[@]}" 2>&1) && status=0 || status=$?
mapfile -t bad < <(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' <<<"$out" | sort -u)
if [ ${#bad[@]} -eq 0 ]; then
  if [ "$status" -ne 0 ]; then
    echo "$out" >&2
    exit 2
  fi
  echo "format: all ${#existing[@]} C++ files clean"
  exit 0
fi
if [ "${1:-}" = --fix ]; then
  clang-format -i "${bad[@]}"
  printf 'reformatted: %s\n' "${bad[@]}"
  exit 0
fi
printf 'not clang-formatted: %s\n' "${bad[@]}"
echo "format: ${#bad[@]} of ${#existing[@]} C++ files need clang-format -i (scripts/check-format.sh --fix)"
exit 1
