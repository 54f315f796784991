#!/bin/bash
# /s on another screen size: the window covers exactly that screen; a click
# ends the saver and the process, leaving no window.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 800x600
pointer_to 300 200

start_scr /s
expect_saver_window
expect_saver_screen "$KAL_WORK/saver.png"
log "click"
xdotool click 1
expect_exit "$SCR_PID" 15 "click"
kt gone "$SAVER_CAPTION" 5000 >/dev/null || fail "a saver window is left"
log "PASS"
