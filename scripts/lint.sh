#!/usr/bin/env bash
# clang-tidy (the checks of .clang-tidy, every finding an error) over the
# product code configured builds compile: the files of their
# compile_commands.json under app/ assets/ platform/ preview/ settings/
# startup/ saver/, tests excluded, and the product headers they include.
#   lint.sh [BUILD_DIR...]   default build/linux; a MinGW build (the windows
#                            preset's) adds the Win32 backend and entry point
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${KAL_JOBS:-2}
[ $# -gt 0 ] || set -- build/linux
command -v clang-tidy >/dev/null || { echo "clang-tidy is not installed (apt-get install clang-tidy)" >&2; exit 2; }
dirs='(app|assets|platform|preview|settings|startup|saver)'

status=0
checked=0
findings=$(mktemp)
trap 'rm -f "$findings"' EXIT
for build in "$@"; do
  db=$build/compile_commands.json
  [ -f "$db" ] || { echo "no $db: configure $build first (cmake --preset linux)" >&2; exit 2; }
  mapfile -t files < <(python3 - "$db" "$root" "$dirs" <<'PY'
import json, re, sys
db, root, dirs = sys.argv[1:]
keep = re.compile("^" + re.escape(root) + "/" + dirs + "/")
names = {e["file"] for e in json.load(open(db))}
# C++ only: Ninja's database also lists the resource scripts windres compiles.
print("\n".join(sorted(f for f in names
                        if keep.match(f) and f.endswith(".cpp") and not f.endswith("_test.cpp"))))
PY
  )
  # The build's -Werror is for gcc: clang's own diagnostics are not judged here.
  args=(--quiet --warnings-as-errors='*' --header-filter="^$root/$dirs/" --extra-arg=-Wno-error
    --extra-arg=-Wno-unknown-warning-option)
  if grep -q 'w64-mingw32-g++' "$db"; then
    # clang as the MinGW target, on MinGW's C++ library and Windows headers
    # (gcc's own intrinsics headers are not clang's).
    gcc_inc=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")/include
    args+=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++
      "--extra-arg=-isystem$gcc_inc/c++" "--extra-arg=-isystem$gcc_inc/c++/x86_64-w64-mingw32"
      --extra-arg=-isystem/usr/x86_64-w64-mingw32/include)
  fi
  log=$build/clang-tidy.log
  printf '%s\0' "${files[@]}" | xargs -0 -r -n 4 -P "$jobs" clang-tidy -p "$build" "${args[@]}" >"$log" 2>&1 ||
    status=1
  grep -E '^[^ ].*: (warning|error): ' "$log" >>"$findings" || true
  checked=$((checked + ${#files[@]}))
done
# Each finding once: a header's shows for every file that includes it.
sort -u "$findings"
if [ "$status" -ne 0 ]; then
  echo "lint: clang-tidy found problems ($checked files checked; logs: clang-tidy.log in $*)"
  exit 1
fi
echo "lint: $checked files clean"
