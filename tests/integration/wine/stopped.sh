#!/bin/bash
# Particle counts the store cannot hold (521, -1) stop the animation before
# anything is drawn: the window stays black and the program waits in its
# message loop, where a key press or a click still ends it.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 1024x768
pointer_to 600 400

dir_unix=$WINEPREFIX/drive_c/kal-stopped
rm -rf "$dir_unix"
mkdir -p "$dir_unix"
cp "$KAL_SCR" "$dir_unix/Kalvessa.scr"

for case in "521 key" "-1 click"; do
  read -r count ender <<<"$case"
  kt ini-write 'C:\kal-stopped\Kalvessa.ini' "$count" || fail "cannot write the settings file"
  log "count $count"
  timeout 120 wine 'C:\kal-stopped\Kalvessa.scr' /s >"$KAL_WORK/scr.out" 2>&1 &
  SCR_PID=$!
  _bg_pids+=("$SCR_PID")
  expect_saver_window
  sleep 3
  screenshot "$KAL_WORK/count$count.png"
  black=$(colour_count "$KAL_WORK/count$count.png" 0,0,0)
  [ "$black" = $((SCREEN_W * SCREEN_H)) ] ||
    fail "count $count: the screen is not all black ($black black pixels): $(colours "$KAL_WORK/count$count.png" | head)"
  alive "$SCR_PID" || fail "count $count: the program ended by itself"
  if [ "$ender" = key ]; then xdotool key space; else xdotool click 1; fi
  expect_exit "$SCR_PID" 15 "count $count, $ender"
  kt gone "$SAVER_CAPTION" 5000 >/dev/null || fail "count $count: a saver window is left"
done
rm -rf "$dir_unix"
log "PASS"
