#!/bin/bash
# Command lines: only the second character counts, in either case. "s" and
# "/x 5" end at once without a window; "xs", "-S" and "/sfoo" start the saver
# with the cursor hidden; the empty command line starts it with the cursor shown.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
start_xvfb 800x600

for line in "s" "/x 5" "/ s" "x" "/q"; do
  log "\"$line\" ends at once"
  # shellcheck disable=SC2086  # the words of the line become the arguments
  run_quick $line
  [ "$EXIT_CODE" = 0 ] || fail "\"$line\": exit code $EXIT_CODE"
  [ "$("$XPROBE" count "$SAVER_CAPTION")" = 0 ] || fail "\"$line\" left a window"
done

for line in "xs" "-S" "/sfoo" "/S" "/s 12345"; do
  log "\"$line\" starts the saver, cursor hidden"
  # shellcheck disable=SC2086
  start_saver $line
  wait_window || continue
  [ "$("$XPROBE" cursor)" = hidden ] || fail "\"$line\": cursor visible"
  [ "$(window_field geometry)" = "$(screen_size)+0+0" ] || fail "\"$line\": window does not cover the screen"
  xdotool key x
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "\"$line\": exit code $EXIT_CODE after a key"
  [ "$("$XPROBE" cursor)" = visible ] || fail "\"$line\": cursor still hidden after the saver"
done

log "another program's window captioned like ours keeps every mode out"
for caption in "Kalvessaの設定" "$SAVER_CAPTION"; do
  "$XPROBE" hold "$caption" 60 &
  HOLDER=$!
  STARTED_PIDS+=("$HOLDER")
  "$XPROBE" wait "$caption" "$WINDOW_TIMEOUT" || fail "the holder's window \"$caption\" did not show"
  for line in "/s" "" "/c" "/p 1"; do
    # shellcheck disable=SC2086
    run_quick $line
    [ "$EXIT_CODE" = 0 ] || fail "\"$line\" beside \"$caption\": exit code $EXIT_CODE"
  done
  [ "$("$XPROBE" count "$SAVER_CAPTION")" = "$([ "$caption" = "$SAVER_CAPTION" ] && echo 1 || echo 0)" ] ||
    fail "a saver window appeared beside \"$caption\""
  kill "$HOLDER"
  wait "$HOLDER" 2>/dev/null
done

log "empty command line: saver, cursor visible"
start_saver
if wait_window; then
  [ "$("$XPROBE" cursor)" = visible ] || fail "empty command line: cursor hidden"
  xdotool click 1
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "empty command line: exit code $EXIT_CODE after a click"
fi
finish
