#!/usr/bin/env bash
# The folders' include rule: a folder includes only folders below it, never
# one above it or beside it. Prints the folder graph the product code makes
# (every #include "folder/..." between folders) and fails on an include that
# breaks the rule. Tests (*_test.cpp), tools, benchmarks and fuzz targets are
# programs over everything and may include what they test.
#
#   platform (its own files: the interfaces, Canvas, loop, numerics)
#   platform/forms, platform/posix        shared by backends
#   platform/memory, win32, x11, wayland  the backends, apart from each other
#   platform/linux                        the Linux program's table of window systems
#   assets                                pictures and the dialog's layout
#   saver, preview, settings              the windows, apart from each other
#   startup                               the entry, which loads them
#   app                                   the two programs
set -euo pipefail
cd "$(dirname "$0")/.."

rank_of() {
  case "$1" in
    platform) echo 0 ;;
    platform/forms | platform/posix) echo 1 ;;
    platform/memory | platform/win32 | platform/x11 | platform/wayland) echo 2 ;;
    platform/linux) echo 3 ;;
    assets) echo 4 ;;
    saver | preview | settings) echo 5 ;;
    startup) echo 6 ;;
    app | app/*) echo 7 ;;
    *) echo -1 ;;
  esac
}

# The folder a path belongs to: platform/x11/X11Window.cpp -> platform/x11.
folder_of() {
  local dir
  dir=$(dirname "$1")
  case "$dir" in
    platform/*/*) dir=${dir%/*} ;;
  esac
  case "$dir" in
    app/*) dir=app ;;
    assets/*) dir=assets ;;
  esac
  echo "$dir"
}

edges=$(
  git ls-files -- '*.h' '*.cpp' '*.h.in' |
    grep -E '^(platform|assets|saver|preview|settings|startup|app)/' |
    grep -v '_test\.cpp$' |
    while read -r file; do
      from=$(folder_of "$file")
      { grep -hoE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"]+"' "$file" || true; } |
        sed -E 's/.*"([^"]+)".*/\1/' |
        while read -r inc; do
          case "$inc" in */*) ;; *) continue ;; esac
          to=$(folder_of "$inc")
          [ "$(rank_of "$to")" = -1 ] && continue
          [ "$to" = "$from" ] && continue
          echo "$from -> $to $file $inc"
        done
    done
)

echo "Folder graph (product code):"
echo "$edges" | awk 'NF { print "  " $1 " -> " $3 }' | sort | uniq -c | awk '{ printf "  %-18s -> %-18s (%d)\n", $2, $4, $1 }'

bad=0
while read -r from _ to file inc; do
  [ -n "${from:-}" ] || continue
  rf=$(rank_of "$from")
  rt=$(rank_of "$to")
  if [ "$rf" = -1 ]; then
    echo "check-layers: $file is in a folder without a place in the layers ($from)" >&2
    bad=1
  elif [ "$rt" -ge "$rf" ]; then
    echo "check-layers: $file includes \"$inc\": $from may not include $to" >&2
    bad=1
  fi
done <<<"$edges"
if [ "$bad" = 0 ]; then echo "check-layers: no include goes up or sideways"; fi
exit "$bad"
