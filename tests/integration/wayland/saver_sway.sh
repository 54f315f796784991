#!/bin/bash
# The saver natively on headless sway (layer shell) with two outputs,
# HEADLESS-1 1280x720 (focused) and HEADLESS-2 1920x1080 at its right, and
# XWayland on offer:
#  - `kalvessa /s`: the swarm on the focused output, the other all black
#    (grim); no X connection made (sway's XWayland starts with its first X
#    client, and none starts); the pointer hidden over both outputs; a
#    pointer crossing to the other output is no move, an output made while
#    it runs turns black, and a real move ends it (exit 0);
#  - the lock of every display: an X11 dialog through XWayland beside a
#    Wayland saver ends at once, and a Wayland saver beside an X11 dialog too;
#  - a click on the black output ends /s; a key ends it;
#  - the test run (no arguments) shows the pointer, ignores a move, ends on a key;
#  - the swarm's output at scale 2: the swarm in its 1280x720 device pixels
#    (single-pixel detail, not 2x2 blocks), dots as at scale 1;
#  - `/p 123` ends at once, quietly (exit 0, nothing on stderr); `--root`
#    without DISPLAY says one line and ends with exit code 1.
# Needs KALVESSA besides lib.sh's programs.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${KALVESSA:?KALVESSA must name the kalvessa program}"
command -v wtype >/dev/null || skip "wtype is not installed"
command -v pgrep >/dev/null || die "pgrep is not installed (procps)"
K=$(install_program "$KALVESSA")

start_sway --xwayland 1280x720 1920x1080
start_pointer
# sway's own environment names its XWayland display (made, not started yet).
sway_msg "exec 'echo \$DISPLAY > $WORK/shots/display'" >/dev/null
poll 10 "[ -s '$WORK/shots/display' ]" || die "sway offers no XWayland display"
XDISPLAY=$(cat "$WORK/shots/display")
log "XWayland on offer at $XDISPLAY"

# xwayland_running: sway has started its XWayland (it does for the first X client).
# (Xwayland leaves sway's process tree: found by its user and display.)
xwayland_running() { pgrep -u "$TEST_USER" -f "^Xwayland $XDISPLAY( |\$)" >/dev/null; }
only_black() { [ "$(colours_of "$1" | cut -d' ' -f1 | tr '\n' ' ')" = "000000 " ]; }
# start_saver NAME ARGS...: kalvessa as the test user (both displays named); its pid in PID.
start_saver() {
  local name=$1
  shift
  USER_DISPLAY=$XDISPLAY start_client "$name" "$K" "$@"
  PID=$CLIENT_PID
}
# swarm_shown OUTPUT: polled until the output shows the swarm.
swarm_shown() { poll 20 "screenshot swarm-poll $1 && has_swarm swarm-poll"; }
still_running() { kill -0 "$PID" 2>/dev/null || fail "$1: the saver ended (exit code $(wait "$PID"; echo $?))"; }
ended() {
  wait_exit "$PID" 10
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE, not 0"
  [ -s "$WORK/$2.err" ] && fail "$1: stderr: $(head -3 "$WORK/$2.err")"
}

log "/s: the swarm on the focused output, black on the other, no X connection"
sway_msg 'seat seat0 cursor set 1270 300' >/dev/null
start_saver s1 /s
swarm_shown HEADLESS-1 || die "no swarm on HEADLESS-1: $(cat "$WORK/s1.err")"
sleep 0.5
screenshot one HEADLESS-1
screenshot two HEADLESS-2
[ "$(size_of one)" = 1280x720 ] || fail "HEADLESS-1's shot is $(size_of one)"
has_swarm one || fail "HEADLESS-1 shows no swarm"
only_black two || fail "HEADLESS-2 is not all black: $(colours_of two | head -3 | tr '\n' ' ')"
# The swarm's colours only: black and the trail's golds, no white, no grey.
colours_of one | awk '{ r = substr($1, 1, 2); b = substr($1, 5, 2); if (b != "00" || r == "00" && $1 != "000000") bad = bad " " $1 }
  END { if (bad) { print "colours off the trail:" bad; exit 1 } }' || fail "HEADLESS-1 shows colours no trail has"
xwayland_running && fail "XWayland runs: the Wayland saver made an X connection"
tree=$(sway_msg -t get_tree)
[ "$(jq '[.. | objects | select(.shell? == "xwayland")] | length' <<<"$tree")" = 0 ] || fail "an XWayland window is in sway's tree"

log "the pointer is hidden over both outputs; a crossing is no move"
sway_msg 'seat seat0 cursor move 20 0' >/dev/null
sleep 1
still_running "the pointer crossing to HEADLESS-2"
as_user grim -c -o HEADLESS-2 "$WORK/shots/two-cursor.png" && keep_shot two-cursor
only_black two-cursor || fail "a pointer shows over HEADLESS-2 in /s"

log "an output made while it runs turns black"
sway_msg create_output >/dev/null || die "swaymsg create_output failed"
poll 10 "sway_outputs | grep -q '^HEADLESS-3 '" || fail "no HEADLESS-3"
sleep 1
screenshot three HEADLESS-3
only_black three || fail "HEADLESS-3 is not black: $(colours_of three | head -3 | tr '\n' ' ')"
still_running "an output added"

log "beside the Wayland saver an X11 dialog through XWayland ends at once"
USER_DISPLAY=$XDISPLAY KALVESSA_PLATFORM=x11 start_client x11-dialog "$K" /c
wait_exit "$CLIENT_PID" 15
[ "$EXIT_CODE" = 0 ] || fail "the X11 /c beside the Wayland saver: exit code $EXIT_CODE (still running: 124)"
still_running "the X11 dialog's start"

log "a real move ends /s"
sway_msg 'seat seat0 cursor move 15 25' >/dev/null
ended "a real move" s1

log "a click on the black output ends /s"
sway_msg 'focus output HEADLESS-1' >/dev/null
sway_msg 'seat seat0 cursor set 2000 500' >/dev/null
start_saver s2 /s
swarm_shown HEADLESS-1 || fail "no swarm for the click"
sway_msg 'seat seat0 cursor press button1' >/dev/null
sway_msg 'seat seat0 cursor release button1' >/dev/null
ended "a click on HEADLESS-2" s2

log "a key ends /s"
start_saver s3 /s
swarm_shown HEADLESS-1 || fail "no swarm for the key"
as_user wtype -s 300 a -s 1000 b
ended "a key" s3

log "beside an X11 dialog through XWayland the Wayland saver ends at once"
USER_DISPLAY=$XDISPLAY KALVESSA_PLATFORM=x11 start_client x11-dialog2 "$K" /c
DIALOG=$CLIENT_PID
poll 20 "sway_msg -t get_tree | jq -e '[.. | objects | select(.shell? == \"xwayland\")] | length > 0' >/dev/null" ||
  fail "the X11 dialog did not show through XWayland"
start_saver s4 /s
ended "/s beside the X11 dialog" s4
kill "$DIALOG"
wait_exit "$DIALOG" 10

log "the test run shows the pointer, ignores a move and ends on a key"
sway_msg 'focus output HEADLESS-1' >/dev/null
sway_msg 'seat seat0 cursor set 2000 500' >/dev/null
start_saver run
swarm_shown HEADLESS-1 || fail "no swarm in the test run"
sway_msg 'seat seat0 cursor move 15 25' >/dev/null
sleep 1
still_running "a move in the test run"
as_user grim -c -o HEADLESS-2 "$WORK/shots/run-cursor.png" && keep_shot run-cursor
only_black run-cursor && fail "no pointer shows over HEADLESS-2 in the test run"
as_user wtype -s 300 a -s 1000 b
ended "a key in the test run" run

log "/p has no meaning here: it ends at once, quietly"
start_saver preview /p 123
ended "/p" preview

log "--root without DISPLAY: one line, exit code 1"
start_client root "$K" --root
wait_exit "$CLIENT_PID" 10
[ "$EXIT_CODE" = 1 ] || fail "--root without DISPLAY: exit code $EXIT_CODE"
[ "$(wc -l <"$WORK/root.err")" = 1 ] || fail "--root without DISPLAY said: $(cat "$WORK/root.err")"

log "the swarm's output at scale 2: drawn in its device pixels"
sway_msg 'output HEADLESS-1 scale 2' >/dev/null
sway_msg 'focus output HEADLESS-1' >/dev/null
sway_msg 'seat seat0 cursor set 2000 500' >/dev/null
start_saver s5 /s
swarm_shown HEADLESS-1 || fail "no swarm at scale 2"
sleep 0.5
screenshot one-scale2 HEADLESS-1
[ "$(size_of one-scale2)" = 1280x720 ] || fail "HEADLESS-1 at scale 2 shows $(size_of one-scale2)"
# single_pixel_detail NAME: pixels that differ from the picture made of
# 2x2 blocks (one pixel of a buffer half the size, shown twice as large).
single_pixel_detail() {
  convert "$WORK/shots/$1.png" -alpha off -sample 50% -sample 200% "$WORK/shots/$1-blocks.png"
  compare -metric AE "$WORK/shots/$1.png" "$WORK/shots/$1-blocks.png" null: 2>&1
}
fine1=$(single_pixel_detail one)
fine2=$(single_pixel_detail one-scale2)
echo "pixels off the 2x2 blocks: scale 1 $fine1, scale 2 $fine2"
[ "${fine2%% *}" -gt 500 ] || fail "at scale 2 the swarm is drawn in 2x2 blocks ($fine2 pixels off them): not in device pixels"
# The dot is a five-pixel plus at either scale: isolated pluses are found in both.
pluses() {
  convert "$WORK/shots/$1.png" -alpha off -fill white +opaque black -threshold 50% \
    -morphology HitAndMiss '3x3: 0,1,0 1,1,1 0,1,0' -format '%[fx:mean*w*h]' info:
}
p1=$(pluses one) p2=$(pluses one-scale2)
echo "isolated five-pixel dots: scale 1 $p1, scale 2 $p2"
awk -v a="$p1" -v b="$p2" 'BEGIN { exit !(a >= 1 && b >= 1) }' || fail "no five-pixel dot at scale 1 ($p1) or 2 ($p2)"
as_user wtype -s 300 a -s 1000 b
ended "a key at scale 2" s5
finish
