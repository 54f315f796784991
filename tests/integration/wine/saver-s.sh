#!/bin/bash
# /s: a topmost black window covering the screen, cursor hidden; while it is
# up a second /s and a /c end at once without a window; a key press ends it,
# no window is left and the cursor shows again.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 1024x768
pointer_to 600 500

start_scr /s
expect_saver_window
expect_saver_screen "$KAL_WORK/saver.png"
expect_cursor hidden

log "a second /s while the saver runs"
code=$(timeout 60 wine "$KAL_SCR" /s; echo $?)
[ "$code" = 0 ] || fail "second /s ended with $code"
expect_count "$SAVER_CAPTION" 1 "a second saver window exists"

log "/c while the saver runs"
code=$(timeout 60 wine "$KAL_SCR" /c; echo $?)
[ "$code" = 0 ] || fail "/c ended with $code"
expect_count "$SETTINGS_CAPTION" 0 "a settings window appeared"
expect_count "$SAVER_CAPTION" 1 "the saver window is gone"
alive "$SCR_PID" || fail "the first saver ended"

log "key press"
xdotool key space
expect_exit "$SCR_PID" 15 "key press"
kt gone "$SAVER_CAPTION" 5000 >/dev/null || fail "a saver window is left"
expect_cursor visible
log "PASS"
