#!/bin/bash
# Kalvessa.scr on a desk of two and three monitors (Xorg with the dummy
# driver; Wine reads its monitors through XRandR): the swarm on the primary
# only, black on the others and nothing of the desktop (a blue root) on any;
# a pointer crossing to another monitor is no move, a real move is; a click on
# another monitor ends the test run; a monitor plugged in while the saver
# runs is covered.
source "$(dirname "$0")/lib.sh"
# shellcheck source=../x11/monitors-server.sh
source "$(dirname "$0")/../x11/monitors-server.sh"
need_files
command -v xsetroot >/dev/null || fail "xsetroot is not installed (x11-xserver-utils)"
multihead_start "$KAL_WORK/xorg"
_xvfb_pid=$MULTIHEAD_PID # cleanup ends it
timeout 15 wineserver -k 2>/dev/null
xsetroot -solid '#3366CC'

# X places: the primary right of another monitor, one more below it. Wine puts
# the primary at (0, 0) of the desktop's coordinates.
P=1024x768+800+0 A=800x600+0+0 B=640x480+800+768
SCREEN_W=1024 SCREEN_H=768

# at_x PLACE: within 15 s the saver's X window sits at PLACE (WxH+X+Y).
at_x() {
  local _
  for _ in $(seq 1 75); do
    xwininfo -root -tree | grep -q "\"$SAVER_CAPTION\".* $1 " && return 0
    sleep 0.2
  done
  return 1
}

# covered SHOT PRIMARY OTHER...: trails on the primary, only black on the others.
covered() {
  local shot=$1 primary=$2 m k=0
  shift 2
  multihead_crop "$shot" "$primary" "${shot%.png}-p.png"
  only_saver_colours "${shot%.png}-p.png" || fail "$shot: other colours than black and trail golds on the primary"
  [ "$(colour_count "${shot%.png}-p.png" 0,0,0)" -lt $((SCREEN_W * SCREEN_H)) ] ||
    fail "$shot: no swarm on the primary"
  for m in "$@"; do
    k=$((k + 1))
    multihead_crop "$shot" "$m" "${shot%.png}-$k.png"
    [ "$(colours "${shot%.png}-$k.png" | cut -d' ' -f1)" = 0,0,0 ] ||
      fail "$shot: monitor $m is not all black: $(colours "${shot%.png}-$k.png" | head -3 | tr '\n' ' ')"
  done
  log "$shot: the swarm on $primary, black on $*"
}

log "three monitors: primary $P, $A, $B"
multihead_layout "DUMMY0=$P*" "DUMMY1=$A" "DUMMY2=$B" || fail "xrandr could not set the layout"
pointer_to 1312 384
start_scr /s
expect_saver_window
at_x "$P" || fail "the saver's window is not at $P: $(xwininfo -root -tree | grep "\"$SAVER_CAPTION\"")"
sleep 3
screenshot "$KAL_WORK/three.png"
covered "$KAL_WORK/three.png" "$P" "$A" "$B"
log "the pointer crosses to the monitor below at the same x"
pointer_to 1312 900
sleep 1
alive "$SCR_PID" || fail "crossing to another monitor without moving in both axes ended the saver"
log "a real move on another monitor"
pointer_to 300 300
expect_exit "$SCR_PID" 15 "a real move on a covered monitor"

log "two monitors: the test run ends with a click on the other monitor"
multihead_layout "DUMMY0=$P*" "DUMMY1=$A" DUMMY2=off || fail "xrandr could not switch DUMMY2 off"
pointer_to 1312 384
start_scr
expect_saver_window
at_x "$P" || fail "the test run's window is not at $P"
pointer_to 100 100
sleep 2
screenshot "$KAL_WORK/two.png"
covered "$KAL_WORK/two.png" "$P" "$A"
alive "$SCR_PID" || fail "a move ended the test run"
xdotool click 1
expect_exit "$SCR_PID" 15 "a click on the other monitor"

log "a monitor plugged in while the saver runs"
pointer_to 1312 384
start_scr /s
expect_saver_window
at_x "$P" || fail "the saver's window is not at $P"
sleep 1
multihead_layout "DUMMY0=$P*" "DUMMY1=$A" "DUMMY2=$B" || fail "xrandr could not plug DUMMY2 in"
sleep 3
screenshot "$KAL_WORK/plugged.png"
covered "$KAL_WORK/plugged.png" "$P" "$A" "$B"
alive "$SCR_PID" || fail "the saver ended when a monitor was plugged in"
xdotool key space
expect_exit "$SCR_PID" 15 "a key"
log "PASS"
