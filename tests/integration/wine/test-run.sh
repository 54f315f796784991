#!/bin/bash
# The empty command line (a test run): the cursor stays visible and mouse
# movement never ends the saver, while a key press or a click does.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 1024x768

for ender in key click; do
  pointer_to 400 300
  start_scr
  expect_saver_window
  expect_cursor visible
  sleep 1
  log "moves in X and Y"
  for p in "420 330" "700 600" "100 50" "513 387"; do
    # shellcheck disable=SC2086
    pointer_to $p
    sleep 0.3
  done
  sleep 1.5
  alive "$SCR_PID" || fail "the test run ended on mouse movement"
  expect_count "$SAVER_CAPTION" 1 "the saver window is gone"
  expect_cursor visible
  log "end with a $ender"
  if [ "$ender" = key ]; then xdotool key Return; else xdotool click 1; fi
  expect_exit "$SCR_PID" 15 "test run, $ender"
  kt gone "$SAVER_CAPTION" 5000 >/dev/null || fail "a saver window is left"
done
log "PASS"
