#!/bin/bash
# No saver left behind that nobody can end: a saver window destroyed by
# another program ends the process within a second, quietly; one hidden by
# another program comes back and still takes input (openbox); a close request
# ends it; ten savers started at the same moment leave exactly one running.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
start_xvfb 800x600

saver_id() { "$XPROBE" window "$SAVER_CAPTION" | awk '$1 == "id" { print $2 }'; }

# ended_within PID MS: the process ended (exit code in EXIT_CODE) within MS.
ended_within() {
  local start=$(($(date +%s%N) / 1000000)) ms
  wait_exit "$1" 5
  ms=$(($(date +%s%N) / 1000000 - start))
  echo "figure: ended ${ms} ms after it"
  [ "$EXIT_CODE" != 124 ] && [ "$ms" -le "$2" ]
}

log "the saver window destroyed by another program: the process ends within 1 s"
start_saver /s
if wait_window; then
  xdotool windowclose "$(saver_id)"
  ended_within "$SAVER_PID" 1000 || fail "still running 1 s after its window was destroyed"
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after the window was destroyed"
  [ "$(wc -l <"$WORK/saver.out")" -le 1 ] || fail "it said: $(head -c 300 "$WORK/saver.out")"
fi

log "a close request ends it"
start_saver /s
if wait_window; then
  "$XPROBE" close "$SAVER_CAPTION" || fail "no window to ask"
  ended_within "$SAVER_PID" 1000 || fail "still running 1 s after a close request"
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after a close request"
fi

log "ten starts at the same moment: one saver"
for round in 1 2 3; do
  pids=()
  for _ in $(seq 1 10); do
    "$KALVESSA" /s >/dev/null 2>&1 &
    pids+=($!)
    STARTED_PIDS+=($!)
  done
  "$XPROBE" wait "$SAVER_CAPTION" "$WINDOW_TIMEOUT" || fail "round $round: no saver at all"
  sleep 2  # the others have long looked and ended
  running=0
  for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && running=$((running + 1)); done
  windows=$("$XPROBE" count "$SAVER_CAPTION")
  [ "$running,$windows" = 1,1 ] || fail "round $round: $running savers running, $windows windows"
  xdotool key x
  for pid in "${pids[@]}"; do
    wait_exit "$pid"
    [ "$EXIT_CODE" = 0 ] || fail "round $round: a start ended with $EXIT_CODE"
  done
  "$XPROBE" gone "$SAVER_CAPTION" 5 || fail "round $round: a window is left"
done

log "hidden by another program under a window manager: it comes back and still takes input"
start_openbox
start_saver /s
if wait_window; then
  xdotool windowunmap "$(saver_id)"
  sleep 0.2
  poll 2 "[ \"\$(window_field map_state)\" = viewable ]" || fail "not shown again after an unmap"
  [ "$(window_field geometry)" = "$(screen_size)+0+0" ] || fail "back, but not covering the screen"
  xdotool key x
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after a key once it was back"
fi
finish
