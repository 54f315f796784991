#!/bin/bash
# Kalvessa.scr /s is never left running without a way to end it: a close
# request from another program (taskkill without /F sends WM_CLOSE) ends the
# process; six savers started at the same moment leave exactly one running,
# which a key then ends.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 800x600
pointer_to 400 300

log "taskkill without /F: a close request ends the saver"
start_scr /s
expect_saver_window
timeout 60 wine taskkill /IM Kalvessa.scr >"$KAL_WORK/taskkill.out" 2>&1
start=$(date +%s%N)
expect_exit "$SCR_PID" 10 "close request"
echo "figure: ended $((($(date +%s%N) - start) / 1000000)) ms after taskkill returned"
kt gone "$SAVER_CAPTION" 5000 >/dev/null || fail "a saver window is left after the close request"

log "six starts at the same moment: one saver"
pids=()
for _ in 1 2 3 4 5 6; do
  timeout 120 wine "$KAL_SCR" /s >/dev/null 2>&1 &
  pids+=($!)
  _bg_pids+=($!)
done
find_window "$SAVER_CAPTION" 60000 >/dev/null || fail "no saver at all"
# The others have looked and ended once every process but one is gone.
for _ in $(seq 1 200); do
  running=0
  for pid in "${pids[@]}"; do alive "$pid" && running=$((running + 1)); done
  [ "$running" -le 1 ] && break
  sleep 0.1
done
[ "$running" = 1 ] || fail "$running savers running"
expect_count "$SAVER_CAPTION" 1 "one saver runs"
xdotool key space
for pid in "${pids[@]}"; do expect_exit "$pid" 20 "one of the six starts"; done
kt gone "$SAVER_CAPTION" 5000 >/dev/null || fail "a saver window is left"
log "PASS"
