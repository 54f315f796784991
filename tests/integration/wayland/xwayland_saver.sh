#!/bin/bash
# The X11 build under sway's XWayland with two outputs (1280x720, 1920x1080
# at its right): `kalvessa /s` in X11 mode, with sway's focus on either
# output, covers both — the swarm on one, the other entirely black (grim,
# per output) — and a key ends it. The covers place themselves there
# (override-redirect): sway's window manager would put every full-screen
# window on the focused output and leave the other showing the desktop.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${KALVESSA:?KALVESSA must name the kalvessa program}"
command -v wtype >/dev/null || skip "wtype is not installed"
command -v Xwayland >/dev/null || skip "Xwayland is not installed"

start_sway --xwayland 1280x720 1920x1080
start_pointer
# Xwayland starts with the first X client; sway's environment names its display.
sway_msg "exec 'echo \$DISPLAY > $WORK/shots/display'" >/dev/null
poll 20 "[ -s '$WORK/shots/display' ]" || die "sway started no Xwayland"
USER_DISPLAY=$(cat "$WORK/shots/display")
log "Xwayland on $USER_DISPLAY"

# trail NAME: pixels of the trail's golds in the shot: coloured ones (red
# unlike blue). Grey is not the saver's: until the pointer first moves over
# an X window, sway keeps drawing its own arrow where the pointer rests.
trail() {
  colours_of "$1" | awk '{ if (substr($1, 1, 2) != substr($1, 5, 2)) n += $2 } END { print n + 0 }'
}
# greys NAME: pixels neither black nor of the trail (the resting arrow).
greys() {
  colours_of "$1" | awk '$1 != "000000" { if (substr($1, 1, 2) == substr($1, 5, 2)) n += $2 } END { print n + 0 }'
}

for focus in HEADLESS-1 HEADLESS-2; do
  log "focus on $focus"
  sway_msg "focus output $focus" >/dev/null
  KALVESSA_PLATFORM=x11 start_client "saver-$focus" "$KALVESSA" /s
  SAVER=$CLIENT_PID
  sleep 3
  kill -0 "$SAVER" 2>/dev/null || { fail "focus $focus: the saver ended by itself: $(cat "$WORK/saver-$focus.err")"; continue; }
  screenshot "one-$focus" HEADLESS-1
  screenshot "two-$focus" HEADLESS-2
  a=$(trail "one-$focus") b=$(trail "two-$focus")
  echo "figure: focus $focus: HEADLESS-1 $a trail pixels, HEADLESS-2 $b; grey: $(greys "one-$focus"), $(greys "two-$focus")"
  # No desktop shows: at most an arrow's worth of grey.
  [ "$(greys "one-$focus")" -le 1024 ] && [ "$(greys "two-$focus")" -le 1024 ] ||
    fail "focus $focus: an output shows more than black, the swarm and an arrow"
  # One output shows the swarm, the other nothing but black.
  if ! { [ "$a" -gt 50 ] && [ "$b" = 0 ]; } && ! { [ "$b" -gt 50 ] && [ "$a" = 0 ]; }; then
    fail "focus $focus: not one swarm and one black output (HEADLESS-1: $(colours_of "one-$focus" | head -3 | tr '\n' ' '); HEADLESS-2: $(colours_of "two-$focus" | head -3 | tr '\n' ' '))"
    keep_shot "one-$focus"
    keep_shot "two-$focus"
  fi
  as_user wtype -s 300 a -s 1000 b
  wait_exit "$SAVER" 10
  [ "$EXIT_CODE" = 0 ] || fail "focus $focus: a key did not end the saver (exit code $EXIT_CODE)"
done
finish
