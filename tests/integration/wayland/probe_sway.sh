#!/bin/bash
# The Wayland layer on headless sway with two outputs (1280x720 and
# 1920x1080 beside it), through kal-wayland-probe: layer-shell surfaces cover
# both, the pattern shows on the first (drawn as damage after a black first
# frame) and the second is all black (grim, per output); the pointer crossing
# from one output to the other keeps its position in the pattern output's
# pixels; an output made at run time is covered too; the first output turned
# to scale 2 gets a buffer of its device pixels with the pattern drawn anew
# and crossings counted in those pixels; a key ends the probe.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
command -v wtype >/dev/null || skip "wtype is not installed"

start_sway 1280x720 1920x1080
start_pointer
start_client probe "$KAL_WAYLAND_PROBE" --timeout 120
PROBE=$CLIENT_PID
wait_line probe '^shell layer$' || die "the probe did not choose the layer shell"
wait_line probe '^configured output=HEADLESS-1 shell=layer width=1280 height=720 scale=1 buffer=1280x720$' || fail "HEADLESS-1 not configured"
wait_line probe '^configured output=HEADLESS-2 shell=layer width=1920 height=1080 scale=1 buffer=1920x1080$' || fail "HEADLESS-2 not configured"
wait_line probe '^pattern output=HEADLESS-1$' || die "the pattern was not drawn"

# only_black NAME: the screenshot is wholly black.
only_black() { [ "$(colours_of "$1" | cut -d' ' -f1 | tr '\n' ' ')" = "000000 " ]; }
# the_pattern NAME SIZE: the pattern's pixels on black, nothing else.
the_pattern() {
  local shot=$1 size=$2
  [ "$(size_of "$shot")" = "$size" ] || fail "$shot is $(size_of "$shot"), not $size"
  [ "$(count_colour "$shot" FFFF00)" = "$PATTERN_YELLOW" ] || fail "$shot: $(count_colour "$shot" FFFF00) yellow pixels, not $PATTERN_YELLOW"
  [ "$(count_colour "$shot" FFFFFF)" = "$PATTERN_WHITE" ] || fail "$shot: $(count_colour "$shot" FFFFFF) white pixels, not $PATTERN_WHITE"
  [ "$(colours_of "$shot" | wc -l)" = 3 ] || fail "$shot shows other colours: $(colours_of "$shot" | tr '\n' ' ')"
}

log "both outputs covered: the pattern on HEADLESS-1, black on HEADLESS-2"
# One frame after the pattern's commit, it is on screen.
sleep 0.5
screenshot one HEADLESS-1
screenshot two HEADLESS-2
the_pattern one 1280x720
[ "$(size_of two)" = 1920x1080 ] || fail "HEADLESS-2's shot is $(size_of two)"
only_black two || fail "HEADLESS-2 is not all black: $(colours_of two | head -3 | tr '\n' ' ')"

# swarm_at NAME REGEX: the swarm=X,Y of the last line matching.
swarm_at() { grep -E -- "$2" "$WORK/$1.out" | tail -1 | sed -n 's/.* swarm=\([-0-9.]*,[-0-9.]*\)$/\1/p'; }

# crossing FROM-X FROM-Y DX OUTPUT-FROM OUTPUT-TO TO-X SCALE: the pointer
# set on one output, then moved across the edge: the swarm position grows
# by DX times the pattern output's scale and keeps its y.
crossing() {
  local fx=$1 fy=$2 dx=$3 from=$4 to=$5 tx=$6 scale=$7 before after
  sway_msg "seat seat0 cursor set $fx $fy" >/dev/null
  wait_line probe "^pointer (enter|motion) output=$from x=[0-9.]+ y=[0-9.]+ swarm=" 5 || { fail "no pointer on $from"; return; }
  sleep 0.2
  before=$(swarm_at probe "^pointer (enter|motion) output=$from ")
  sway_msg "seat seat0 cursor move $dx 0" >/dev/null
  wait_line probe "^pointer (enter|motion) output=$to x=$tx\.00 " 5 || { fail "the pointer did not reach $to at x=$tx"; return; }
  after=$(swarm_at probe "^pointer (enter|motion) output=$to x=$tx\.00 ")
  echo "crossing $from -> $to: swarm $before -> $after"
  awk -v b="$before" -v a="$after" -v d="$((dx * scale))" 'BEGIN {
    split(b, p, ","); split(a, q, ",");
    exit !(q[1] - p[1] == d && q[2] == p[2]) }' ||
    fail "crossing from $from to $to moved the swarm position from $before to $after, not by $((dx * scale)),0"
}

log "the pointer crosses from HEADLESS-1 to HEADLESS-2: 20 to the right in the swarm's pixels, and nothing else"
crossing 1270 300 20 HEADLESS-1 HEADLESS-2 10 1
sway_msg 'seat seat0 cursor press button1' >/dev/null
sway_msg 'seat seat0 cursor release button1' >/dev/null
wait_line probe '^pointer button output=HEADLESS-2 button=0x110 state=pressed$' 5 || fail "no button press on HEADLESS-2"

log "an output made at run time: a new wl_output, covered at once"
sway_msg create_output >/dev/null || die "swaymsg create_output failed"
wait_line probe '^output added name=HEADLESS-3 ' || fail "the probe did not see HEADLESS-3 come"
wait_line probe '^configured output=HEADLESS-3 shell=layer ' || fail "HEADLESS-3 got no cover"
sleep 0.5
screenshot three HEADLESS-3
only_black three || fail "HEADLESS-3 is not all black: $(colours_of three | head -3 | tr '\n' ' ')"

log "HEADLESS-1 at scale 2: a buffer of its 1280x720 device pixels, the pattern drawn again"
sway_msg 'output HEADLESS-1 scale 2' >/dev/null
sway_msg 'output HEADLESS-2 position 640 0' >/dev/null
wait_line probe '^configured output=HEADLESS-1 shell=layer width=640 height=360 scale=2 buffer=1280x720$' ||
  fail "HEADLESS-1 not configured anew at scale 2"
sleep 0.5
screenshot one-scale2 HEADLESS-1
the_pattern one-scale2 1280x720
crossing 630 100 20 HEADLESS-1 HEADLESS-2 10 2

log "a key ends the probe"
# The virtual keyboard wtype makes must be bound before its key comes: a
# second key later still counts on a slow machine.
as_user wtype -s 300 a -s 1000 b
wait_exit "$PROBE" 10
[ "$EXIT_CODE" = 0 ] || fail "after a key the probe's exit code is $EXIT_CODE"
grep -q '^exit reason=key$' "$WORK/probe.out" || fail "the probe did not end on the key: $(tail -3 "$WORK/probe.out")"
grep -E '^(stats|key) ' "$WORK/probe.out"
[ -s "$WORK/probe.err" ] && fail "the probe wrote to stderr: $(head -5 "$WORK/probe.err")"
finish
