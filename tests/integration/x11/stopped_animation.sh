#!/bin/bash
# A particle count the swarm cannot hold stops the animation before anything
# is drawn: the saver stays up black, waits for input without using the CPU,
# and a key, a click or a real move still ends it.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
start_xvfb 800x600

# write_count VALUE: the settings file holds this particle count.
write_count() {
  mkdir -p "$XDG_CONFIG_HOME/kalvessa"
  # The key's Shift-JIS bytes, as on a Japanese Windows system.
  printf '[Section]\r\n\xca\xdf\xb0\xc3\xa8\xb8\xd9\x82\xcc\x90\x94= %s\r\n' "$1" >"$XDG_CONFIG_HOME/kalvessa/Kalvessa.ini"
}

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

for count in 521 -1; do
  for ending in key click move; do
    log "count $count, ended by a $ending"
    write_count "$count"
    xdotool mousemove 400 300
    start_saver /s
    wait_window || continue
    sleep 1
    screenshot "count$count"
    [ "$(trail_pixels "count$count")" = 0 ] || fail "count $count: something was drawn"
    only_saver_colours "count$count" || fail "count $count: unexpected colours"
    # Waiting for input costs nothing.
    T0=$(ticks "$SAVER_PID")
    sleep 2
    T1=$(ticks "$SAVER_PID")
    [ $((T1 - T0)) -le 5 ] || fail "count $count: $((T1 - T0)) clock ticks of CPU in 2 s while idle"
    case $ending in
      key) xdotool key space ;;
      click) xdotool click 1 ;;
      move) xdotool mousemove 500 400 ;;
    esac
    wait_exit "$SAVER_PID"
    [ "$EXIT_CODE" = 0 ] || fail "count $count, $ending: exit code $EXIT_CODE"
    "$XPROBE" gone "$SAVER_CAPTION" 5 || fail "count $count, $ending: a window is left behind"
    [ "$("$XPROBE" cursor)" = visible ] || fail "count $count, $ending: cursor still hidden"
  done
done

log "count 0: one particle, drawing"
write_count 0
start_saver /s
if wait_window; then
  sleep 2
  screenshot count0
  [ "$(trail_pixels count0)" -gt 0 ] || fail "count 0: nothing drawn"
  only_saver_colours count0 || fail "count 0: unexpected colours"
  xdotool key space
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "count 0: exit code $EXIT_CODE"
fi
finish
