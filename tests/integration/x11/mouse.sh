#!/bin/bash
# The mouse: the first move (the pointer resting where the window appears)
# only records a position; a later move differing from it in both X and Y ends
# /s, one differing in X only or Y only does not; the empty command line
# ignores moves while a key or a click still ends it. Without a window manager
# ("nowm", the default) or with openbox ("openbox").
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
MODE=${1:-nowm}
start_xvfb 1024x768
[ "$MODE" = openbox ] && start_openbox

# start_resting X Y ARGS...: the pointer rests at (X, Y) when the saver starts.
start_resting() {
  local x=$1 y=$2
  shift 2
  xdotool mousemove "$x" "$y"
  start_saver "$@"
  wait_window
}

log "/s: the resting pointer never ends it"
if start_resting 300 200 /s; then
  still_running "$SAVER_PID" 2 || fail "the saver ended on its own under a resting pointer"
  log "/s: moves in X only and in Y only from the first position do not end it"
  xdotool mousemove 450 200
  still_running "$SAVER_PID" 1 || fail "a horizontal move ended the saver"
  xdotool mousemove 300 350
  still_running "$SAVER_PID" 1 || fail "a vertical move ended the saver"
  xdotool mousemove 300 200
  still_running "$SAVER_PID" 1 || fail "a move back to the first position ended the saver"
  [ "$("$XPROBE" cursor)" = hidden ] || fail "cursor visible while /s runs"
  log "/s: a move in both X and Y ends it"
  xdotool mousemove 301 201
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "after a diagonal move: exit code $EXIT_CODE"
  "$XPROBE" gone "$SAVER_CAPTION" 5 || fail "a window is left behind"
  [ "$("$XPROBE" cursor)" = visible ] || fail "cursor still hidden after /s ended"
fi

log "/s: a pointer resting at the screen's corner, then a big diagonal move"
if start_resting 0 0 /s; then
  still_running "$SAVER_PID" 1.5 || fail "the saver ended on its own at the corner"
  xdotool mousemove 900 700
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "after a diagonal move from the corner: exit code $EXIT_CODE"
fi

log "empty command line: moves are ignored"
if start_resting 500 400; then
  xdotool mousemove 600 500 sleep 0.2 mousemove 100 100 sleep 0.2 mousemove 900 50
  still_running "$SAVER_PID" 1.5 || fail "a move ended the test run"
  [ "$("$XPROBE" cursor)" = visible ] || fail "cursor hidden during the test run"
  log "empty command line: a click ends it"
  xdotool click 1
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "test run after a click: exit code $EXIT_CODE"
fi
if start_resting 500 400; then
  xdotool mousemove 700 600
  still_running "$SAVER_PID" 1 || fail "a move ended the test run"
  log "empty command line: a key ends it"
  xdotool key q
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "test run after a key: exit code $EXIT_CODE"
fi
[ "$("$XPROBE" cursor)" = visible ] || fail "cursor hidden at the end"
finish
