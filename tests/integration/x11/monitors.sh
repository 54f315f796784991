#!/bin/bash
# The saver on a desk of two and three monitors (Xorg with the dummy driver):
# the swarm on the primary only, black on the others, nothing of the desktop
# (a blue root) on any monitor; a pointer crossing to another monitor is no
# move but a real move is, a click on another monitor ends the test run, and
# monitors plugged in, switched off or made primary while the saver runs stay
# covered; without a window manager ("nowm") or with openbox ("openbox").
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
# shellcheck source=monitors-server.sh
. "$(dirname "$0")/monitors-server.sh"
command -v xsetroot >/dev/null || die "xsetroot is not installed (x11-xserver-utils)"
MODE=${1:?usage: monitors.sh nowm|openbox}

multihead_start "$WORK/xorg"
XVFB_PID=$MULTIHEAD_PID # lib.sh's cleanup ends it
DESKTOP=3366CC
xsetroot -solid "#$DESKTOP"
[ "$MODE" = openbox ] && start_openbox

# The primary is not at the origin: the saver's window must follow it.
P=1024x768+800+0 A=800x600+0+0 B=640x480+800+768

# covered SHOT PRIMARY OTHER...: trails on the primary, only black on the others.
covered() {
  local shot=$1 primary=$2 m k=0
  shift 2
  multihead_crop "$WORK/$shot.png" "$primary" "$WORK/$shot-p.png"
  only_saver_colours "$shot-p" || fail "$shot: the primary shows other colours than black and trail golds"
  [ "$(trail_pixels "$shot-p")" -gt 100 ] || fail "$shot: no swarm on the primary ($primary)"
  for m in "$@"; do
    k=$((k + 1))
    multihead_crop "$WORK/$shot.png" "$m" "$WORK/$shot-$k.png"
    [ "$(colours_of "$shot-$k" | cut -d' ' -f1)" = 000000 ] ||
      fail "$shot: monitor $m is not all black: $(colours_of "$shot-$k" | head -3 | tr '\n' ' ')"
  done
}

log "three monitors: primary $P, $A, $B"
multihead_layout "DUMMY0=$P*" "DUMMY1=$A" "DUMMY2=$B" || die "xrandr could not set the layout"
xrandr --listmonitors
screenshot desktop
[ "$(count_colour desktop "$DESKTOP")" -gt 0 ] || die "the desktop colour does not show before the saver"
xdotool mousemove 1312 384
start_saver /s
wait_window || die "saver window missing: $(cat "$WORK/saver.out")"
# shellcheck disable=SC2016  # evaluated by poll
poll 10 '[ "$(window_field geometry)" = "${P%%+*}+800+0" ]' || fail "saver window at $(window_field geometry), not $P"
sleep 3
screenshot three
covered three "$P" "$A" "$B"
log "the pointer crosses to the monitor below at the same x: no move in both axes"
xdotool mousemove 1312 900
still_running "$SAVER_PID" 1 || fail "crossing to another monitor without moving in both axes ended the saver"
log "a real move on another monitor ends it"
xdotool mousemove 300 300
wait_exit "$SAVER_PID"
[ "$EXIT_CODE" = 0 ] || fail "after a real move on a covered monitor: exit code $EXIT_CODE"
"$XPROBE" gone "$SAVER_CAPTION" 5 || fail "a window is left behind"

log "two monitors: the test run; moves over both do not end it, a click on the other one does"
multihead_layout "DUMMY0=$P*" "DUMMY1=$A" DUMMY2=off || die "xrandr could not switch DUMMY2 off"
xdotool mousemove 1312 384
start_saver
wait_window || die "saver window missing: $(cat "$WORK/saver.out")"
sleep 3
screenshot two
covered two "$P" "$A"
xdotool mousemove 100 100 sleep 0.2 mousemove 1000 200 sleep 0.2 mousemove 400 500
still_running "$SAVER_PID" 1 || fail "moves ended the test run"
xdotool click 1
wait_exit "$SAVER_PID"
[ "$EXIT_CODE" = 0 ] || fail "after a click on the other monitor: exit code $EXIT_CODE"

log "layout changes while the saver runs"
xdotool mousemove 1312 384
start_saver /s
wait_window || die "saver window missing: $(cat "$WORK/saver.out")"
sleep 1
multihead_layout "DUMMY0=$P*" "DUMMY1=$A" "DUMMY2=$B" || fail "xrandr could not plug DUMMY2 in"
sleep 2
screenshot plugged
covered plugged "$P" "$A" "$B"
log "the left monitor made primary: the saver moves there, the old primary is covered"
multihead_layout "DUMMY0=$P" "DUMMY1=$A*" "DUMMY2=$B" || fail "xrandr could not make DUMMY1 primary"
# shellcheck disable=SC2016  # evaluated by poll
poll 10 '[ "$(window_field geometry)" = "${A%%+*}+0+0" ]' || fail "saver window at $(window_field geometry), not $A"
sleep 3
screenshot moved
covered moved "$A" "$P" "$B"
log "the monitor below switched off"
multihead_layout "DUMMY0=$P" "DUMMY1=$A*" DUMMY2=off || fail "xrandr could not switch DUMMY2 off"
sleep 2
screenshot unplugged
covered unplugged "$A" "$P"
kill -0 "$SAVER_PID" 2>/dev/null || fail "the saver ended during the layout changes: $(cat "$WORK/saver.out")"
xdotool key space
wait_exit "$SAVER_PID"
[ "$EXIT_CODE" = 0 ] || fail "after a key: exit code $EXIT_CODE"

finish
