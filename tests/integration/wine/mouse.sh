#!/bin/bash
# /s and the mouse. The pointer rests inside the screen when the saver starts:
# the move the system sends after the first paint (no real motion) is only
# recorded. A purely horizontal and a purely vertical move from that point do
# nothing; a move that changes both X and Y ends the saver.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 1024x768
x0=512 y0=384
pointer_to $x0 $y0

start_scr /s
expect_saver_window
sleep 3
alive "$SCR_PID" || fail "the saver ended by itself with the pointer resting"

log "horizontal move"
pointer_to $((x0 + 40)) $y0
sleep 1.5
alive "$SCR_PID" || fail "a purely horizontal move ended the saver"

# Had the first recorded move been the horizontal one, this move would differ
# from it in both coordinates: surviving it shows the resting position was
# the one recorded.
log "vertical move from the resting point"
pointer_to $x0 $((y0 + 40))
sleep 1.5
alive "$SCR_PID" || fail "a move with X equal to the resting point ended the saver"
expect_count "$SAVER_CAPTION" 1 "the saver window is gone"

log "move in X and Y"
pointer_to $((x0 + 7)) $((y0 - 5))
expect_exit "$SCR_PID" 15 "move in X and Y"
kt gone "$SAVER_CAPTION" 5000 >/dev/null || fail "a saver window is left"
expect_cursor visible
log "PASS"
