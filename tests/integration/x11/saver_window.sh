#!/bin/bash
# The saver window under Xvfb, without a window manager ("nowm") or with
# openbox ("openbox"): it covers the screen on top, black then trails only,
# hides the cursor for /s, keeps a second instance out, and a key press or a
# click ends it with exit code 0 and no window left.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
MODE=${1:?usage: saver_window.sh nowm|openbox}

start_xvfb 1024x768
[ "$MODE" = openbox ] && start_openbox
SCREEN=$(screen_size)

log "/s: the window"
start_saver /s
wait_window || die "saver window missing: $(cat "$WORK/saver.out")"
# Sample right away: before the animation lands the window is all black.
screenshot first
# shellcheck disable=SC2016  # evaluated by poll
poll 10 '[ "$(window_field geometry)" = "$SCREEN+0+0" ]' ||
  fail "window geometry $(window_field geometry), screen $SCREEN"
STATE=$(window_field net_wm_state)
if [ "$MODE" = nowm ]; then
  # Nothing keeps a window on top without a manager: it places itself.
  [ "$(window_field override_redirect)" = 1 ] || fail "no window manager, yet not override-redirect"
else
  [ "$(window_field override_redirect)" = 0 ] || fail "override-redirect under a window manager"
  case " $STATE " in *" _NET_WM_STATE_FULLSCREEN "*) ;; *) fail "not full screen: [$STATE]" ;; esac
  case " $STATE " in *" _NET_WM_STATE_ABOVE "*) ;; *) fail "not above: [$STATE]" ;; esac
fi
only_saver_colours first || fail "first screenshot shows other colours than black and trail golds"
[ "$("$XPROBE" cursor)" = hidden ] || fail "cursor visible over the /s saver"

log "/s: a few seconds in, trails on black"
sleep 3
screenshot running
only_saver_colours running || fail "running screenshot shows other colours than black and trail golds"
TRAIL=$(trail_pixels running)
[ "$TRAIL" -gt 100 ] || fail "only $TRAIL trail pixels after 3 s: nothing is drawn"
[ "$(count_colour running FAFA00)" -gt 0 ] || fail "no bright yellow particle heads"
kill -0 "$SAVER_PID" 2>/dev/null || fail "the saver ended on its own (the resting pointer must not end it)"

log "a second instance ends at once without a window"
run_quick /s
[ "$EXIT_CODE" = 0 ] || fail "second /s: exit code $EXIT_CODE"
run_quick /c
[ "$EXIT_CODE" = 0 ] || fail "/c beside the saver: exit code $EXIT_CODE"
run_quick
[ "$EXIT_CODE" = 0 ] || fail "empty command line beside the saver: exit code $EXIT_CODE"
[ "$("$XPROBE" count "$SAVER_CAPTION")" = 1 ] || fail "$("$XPROBE" count "$SAVER_CAPTION") saver windows"

log "a key ends it"
xdotool key space
wait_exit "$SAVER_PID"
[ "$EXIT_CODE" = 0 ] || fail "after a key: exit code $EXIT_CODE"
"$XPROBE" gone "$SAVER_CAPTION" 5 || fail "a window is left behind"
[ "$("$XPROBE" cursor)" = visible ] || fail "cursor still hidden after the saver"

log "a click ends it (left, right and middle)"
for button in 1 3 2; do
  start_saver /s
  wait_window || continue
  xdotool click "$button"
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "after button $button: exit code $EXIT_CODE"
  "$XPROBE" gone "$SAVER_CAPTION" 5 || fail "a window is left behind after button $button"
done

log "closed by the window manager (WM_DELETE_WINDOW): the program ends"
start_saver /s
if wait_window; then
  "$XPROBE" close "$SAVER_CAPTION" || fail "no window to close"
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "after a close request: exit code $EXIT_CODE"
  "$XPROBE" gone "$SAVER_CAPTION" 5 || fail "a window is left behind after a close request"
  [ "$("$XPROBE" cursor)" = visible ] || fail "cursor still hidden after a close request"
fi

log "the wheel is no click"
start_saver /s
if wait_window; then
  xdotool click 4 click 5
  still_running "$SAVER_PID" 1.5 || fail "the wheel ended the saver"
  xdotool key Escape
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "after Escape: exit code $EXIT_CODE"
fi

log "empty command line: a test run with the cursor visible"
start_saver
if wait_window; then
  [ "$("$XPROBE" cursor)" = visible ] || fail "cursor hidden for the empty command line"
  xdotool key Return
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "test run after a key: exit code $EXIT_CODE"
fi
finish
