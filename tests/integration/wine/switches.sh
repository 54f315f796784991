#!/bin/bash
# Only the second character of the command line counts, in either case:
# "s" and "/x 5" end at once without a window; "xs", "-S" and "/sfoo" start
# the saver with the cursor hidden.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 1024x768
pointer_to 500 300

for line in "s" "/x 5"; do
  log "command line '$line'"
  # shellcheck disable=SC2086  # the switches as separate arguments, as a host passes them
  code=$(timeout 60 wine "$KAL_SCR" $line; echo $?)
  [ "$code" = 0 ] || fail "'$line' ended with $code"
  expect_count "$SAVER_CAPTION" 0 "'$line' left a saver window"
done

for line in "xs" "-S" "/sfoo"; do
  log "command line '$line'"
  start_scr "$line"
  expect_saver_window
  expect_cursor hidden
  xdotool key Escape
  expect_exit "$SCR_PID" 15 "'$line', key press"
  kt gone "$SAVER_CAPTION" 5000 >/dev/null || fail "'$line' left a saver window"
  expect_cursor visible
done
log "PASS"
