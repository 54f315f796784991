#!/bin/bash
# Measures the time from starting `wine Kalvessa.scr /s` to the first frame on
# which the saver window is on the screen and all black (xprobe launch), cold
# (no wineserver running) and warm (wineserver still up from the start before).
#   usage: measure-start.sh [runs]     (environment as for the tests; see lib.sh)
# Not a test: prints figures.
#
# The program runs from C:\kal-measure\ with a particle count the store cannot
# hold (521): the start-up is the same, but the animation stops before drawing,
# so the black frame stays on the screen instead of being dotted within the
# same screen update (which would make "all black" a race).
source "$(dirname "$0")/lib.sh"
need_files
need_file "${KAL_XPROBE:-}" "xprobe (tests/tools)"
runs=${1:-5}
start_xvfb 1920x1080
pointer_to 900 500

dir_unix=$WINEPREFIX/drive_c/kal-measure
mkdir -p "$dir_unix"
cp "$KAL_SCR" "$dir_unix/Kalvessa.scr"
kt ini-write 'C:\kal-measure\Kalvessa.ini' 521 >/dev/null || fail "cannot write the settings file"

measure() {  # label
  # To a file, not a pipe: the saver inherits xprobe's output and outlives it.
  "$KAL_XPROBE" launch "$SAVER_CAPTION" 60 -- timeout 120 wine 'C:\kal-measure\Kalvessa.scr' /s \
    >"$KAL_WORK/launch.out" 2>&1 || fail "no black frame: $(cat "$KAL_WORK/launch.out")"
  echo "$1 $(sed -n 's/^first_black_ms //p' "$KAL_WORK/launch.out")"
  xdotool key space
  kt gone "$SAVER_CAPTION" 20000 >/dev/null || fail "the saver did not end"
}

for _ in $(seq 1 "$runs"); do
  timeout 15 wineserver -k 2>/dev/null
  sleep 1
  measure cold
  measure warm
done | awk '{ print; sum[$1] += $2; n[$1]++ } END { for (k in sum) printf "%s mean %.0f ms over %d runs\n", k, sum[k] / n[k], n[k] }'
rm -rf "$dir_unix"
