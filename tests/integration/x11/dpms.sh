#!/bin/bash
# The saver while the display is powered down, on Xorg with the dummy video
# driver given DPMS (tests/tools/kaldpms_drv.c; the dummy alone has none, and
# neither has Xvfb): with the display forced off (`xset dpms force off`)
# `kalvessa /s` draws nothing (two screenshots ten seconds apart are the same)
# and uses less than 0.1 % of a core over those ten seconds; forced on again
# the swarm moves; a key while the display is off ends it at once; `kalvessa
# --root` rests the same way and moves again afterwards.
#
#   dpms.sh [COUNT]   COUNT: the settings' count (needs KAL_INI), for the figures
#
# Skipped (77) where Xorg with the dummy driver cannot run or the driver with
# DPMS was not built (it needs xserver-xorg-dev).
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
# shellcheck source=monitors-server.sh
. "$(dirname "$0")/monitors-server.sh"
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
# cpu_ns and now: the scheduler's account of a process, as the benchmarks read it.
# shellcheck source=../../../bench/cpu_lib.sh
. "$ROOT/bench/cpu_lib.sh"
COUNT=${1:-}
if [ -z "${KALDPMS:-}" ] || [ ! -f "$KALDPMS" ]; then
  echo "SKIP: the dummy video driver with DPMS (tests/tools/kaldpms_drv.c) was not built: apt-get install xserver-xorg-dev"
  exit 77
fi
command -v xset >/dev/null || die "xset is not installed (x11-xserver-utils)"

multihead_start "$WORK/xorg" "$KALDPMS"
XVFB_PID=$MULTIHEAD_PID # lib.sh's cleanup ends it
xset q | sed -n '/DPMS/,$p'
xset q | grep -q "DPMS is Enabled" || die "the server reports no DPMS: $(xset q | sed -n '/DPMS/,$p' | tr '\n' ' ')"
if [ -n "$COUNT" ]; then
  mkdir -p "$XDG_CONFIG_HOME/kalvessa"
  "${KAL_INI:?KAL_INI must name kal-ini}" write "$XDG_CONFIG_HOME/kalvessa/Kalvessa.ini" " $COUNT" || die "kal-ini failed"
  log "count $COUNT"
fi

# cpu_share PID SECONDS: the process's CPU over that time, in % of one core.
cpu_share() {
  local c0 t0 c1 t1
  c0=$(cpu_ns "$1") t0=$(now)
  sleep "$2"
  c1=$(cpu_ns "$1") t1=$(now)
  awk -v c=$((c1 - c0)) -v t0="$t0" -v t1="$t1" 'BEGIN { printf "%.3f\n", 100 * c / 1e9 / (t1 - t0) }'
}
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
monitor_is() { xset q | sed -n 's/^ *Monitor is //p'; }
# differing A B: how many pixels of the two screenshots differ.
differing() { compare -metric AE "$WORK/$1.png" "$WORK/$2.png" null: 2>&1 | cut -d' ' -f1; }
# power LEVEL: forces the display to it, and waits for the saver's next look
# (once a second) to have seen it.
power() {
  xset dpms force "$1" || die "xset dpms force $1 failed"
  [ "$(monitor_is)" = "$2" ] || die "after force $1 the server says: Monitor is $(monitor_is)"
  sleep 1.5
}
# moving NAME: the swarm shows and moves (two screenshots half a second apart).
moving() {
  screenshot "$1-a"
  sleep 0.5
  screenshot "$1-b"
  [ "$(trail_pixels "$1-b")" -gt 100 ] || fail "$1: no swarm on the screen"
  [ "$(differing "$1-a" "$1-b")" -gt 0 ] || fail "$1: the swarm does not move"
}
# resting NAME PID: with the display off nothing is drawn and the process sleeps.
resting() {
  local share
  screenshot "$1-a"
  share=$(cpu_share "$2" 10)
  screenshot "$1-b"
  log "$1: CPU over 10 s with the display off: $share % of a core"
  below "$share" 0.1 || fail "$1: $share % of a core with the display off (limit 0.1 %)"
  [ "$(differing "$1-a" "$1-b")" = 0 ] || fail "$1: the picture changed while the display was off"
}

log "kalvessa /s"
start_saver /s
wait_window || die "saver window missing: $(cat "$WORK/saver.out")"
sleep 2
SHARE=$(cpu_share "$SAVER_PID" 5)
log "saver: CPU over 5 s with the display on: $SHARE % of a core"
# The measure sees a running saver: the figure below means it rests.
below 0.3 "$SHARE" || fail "the running saver's CPU reads as $SHARE % of a core"
moving saver-on
power off Off
resting saver-off "$SAVER_PID"
power on On
moving saver-on-again

log "a key while the display is off ends it"
power off Off
T0=$(now)
xdotool key space
wait_exit "$SAVER_PID" 2
log "ended after $(awk -v t0="$T0" -v t1="$(now)" 'BEGIN { printf "%.2f", t1 - t0 }') s, the display still: $(monitor_is)"
[ "$EXIT_CODE" = 0 ] || fail "a key with the display off: exit code $EXIT_CODE (124: not within 2 s)"

log "kalvessa --root"
xset dpms force on
start_saver --root
sleep 2
kill -0 "$SAVER_PID" 2>/dev/null || die "--root ended: $(cat "$WORK/saver.out")"
moving root-on
power off Off
resting root-off "$SAVER_PID"
power on On
moving root-on-again
kill -TERM "$SAVER_PID"
wait_exit "$SAVER_PID"
[ "$EXIT_CODE" = 0 ] || fail "--root after SIGTERM: exit code $EXIT_CODE"

finish
