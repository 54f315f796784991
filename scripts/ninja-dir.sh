#!/usr/bin/env bash
# The presets build with Ninja; a build folder configured earlier with another
# generator makes CMake refuse. Drops such a folder's cache (not its outputs)
# so the next configure starts over in place.
#   ninja-dir.sh DIR...
set -euo pipefail
for dir in "$@"; do
  cache=$dir/CMakeCache.txt
  [ -f "$cache" ] || continue
  grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$cache" && continue
  echo "$dir was configured with another generator: configuring it again for Ninja"
  rm -rf "$cache" "$dir/CMakeFiles"
done
