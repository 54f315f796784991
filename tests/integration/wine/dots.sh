#!/bin/bash
# The Win32 backend's dots are the shared Canvas's pixels: kaltest draws
# thousands of random dots (edges, half-pixel centres, several radii, the
# trail colours) through the backend onto a full-screen window and renders
# the same into a Canvas, lets the system repaint part of the window (black
# again) and draws more; the screenshot of the X screen and GDI's own view
# of the window must both equal the Canvas exactly.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 1024x768
pointer_to 1000 10

expected=$KAL_WORK/expected.ppm captured=$KAL_WORK/captured.bmp
# Cleared here, not by the redirection below: that happens in the background
# job and may come after the first look for "ready".
rm -f "$expected" "$captured" "$KAL_WORK/dots.out"
timeout 120 wine "$KAL_TEST" dots "$(winpath "$expected")" "$(winpath "$captured")" 20261207 4000 60000 \
  >"$KAL_WORK/dots.out" 2>&1 &
DOTS_PID=$!
_bg_pids+=("$DOTS_PID")
for _ in $(seq 1 300); do
  grep -q '^ready' "$KAL_WORK/dots.out" 2>/dev/null && break
  alive "$DOTS_PID" || fail "kaltest dots ended: $(cat "$KAL_WORK/dots.out")"
  sleep 0.1
done
grep -q '^ready' "$KAL_WORK/dots.out" || fail "kaltest dots did not get ready"

drawn=$(colours "$expected" | awk '$1 != "0,0,0" { n += $2 } END { print n + 0 }')
log "the Canvas has $drawn coloured pixels"
[ "$drawn" -gt 10000 ] || fail "too few dots drawn to compare ($drawn pixels)"

expect_canvas_pixels "$expected" "$captured" "$KAL_WORK/screen.png" 20

xdotool key space
expect_exit "$DOTS_PID" 15 "kaltest dots, key press"
log "PASS"
