#!/bin/bash
# A program in a drive's root directory ("C:\") reads its settings file from
# that root. The particle count shows on the screen: the brightest trail
# colour marks each particle's current position, so 6 particles (count 5)
# leave at most 6 such dots, the default 121 particles many more.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 1024x768
pointer_to 700 500

DRIVE_C=$WINEPREFIX/drive_c
# Bright-yellow pixels on the screen a few seconds into a run of the given program.
run_and_count() {  # windows-path-of-scr label
  timeout 120 wine "$1" /s >"$KAL_WORK/$2.out" 2>&1 &
  local pid=$!
  _bg_pids+=("$pid")
  expect_saver_window
  sleep 4
  screenshot "$KAL_WORK/$2.png"
  only_saver_colours "$KAL_WORK/$2.png" || fail "$2: colours other than the saver's"
  YELLOW=$(colour_count "$KAL_WORK/$2.png" 250,250,0)
  TRAIL=$(($(colours "$KAL_WORK/$2.png" | awk '$1 != "0,0,0" { n += $2 } END { print n + 0 }')))
  log "$2: $YELLOW bright-yellow pixels, $TRAIL trail pixels"
  xdotool key space
  expect_exit "$pid" 15 "$2, key press"
  kt gone "$SAVER_CAPTION" 5000 >/dev/null || fail "$2: a saver window is left"
}

cp "$KAL_SCR" "$DRIVE_C/Kalvessa.scr"
rm -f "$DRIVE_C/Kalvessa.ini"
kt ini-write 'C:\Kalvessa.ini' 5 || fail "cannot write C:\\Kalvessa.ini"
[ -f "$DRIVE_C/Kalvessa.ini" ] || fail "C:\\Kalvessa.ini was not created in the root"
# The same program one level down, with no settings file beside it: default count.
mkdir -p "$DRIVE_C/kal-sub"
cp "$KAL_SCR" "$DRIVE_C/kal-sub/Kalvessa.scr"
rm -f "$DRIVE_C/kal-sub/Kalvessa.ini"

run_and_count 'C:\kal-sub\Kalvessa.scr' default
[ "$YELLOW" -gt 100 ] || fail "the default count shows only $YELLOW bright-yellow pixels"
run_and_count 'C:\Kalvessa.scr' root
[ "$TRAIL" -gt 0 ] || fail "nothing drawn with the root's settings"
[ "$YELLOW" -le 30 ] || fail "$YELLOW bright-yellow pixels: more than 6 particles, the root's count 5 was not read"
rm -f "$DRIVE_C/Kalvessa.scr" "$DRIVE_C/Kalvessa.ini"
log "PASS"
