#!/bin/bash
# Figures of the native saver (not a test): time from start to the first black
# frame, peak memory, and CPU of the saver and of the X server while it runs.
#   KALVESSA=... XPROBE=... bash measure.sh [WIDTHxHEIGHT] [RUNS]
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
SIZE=${1:-1920x1080}
RUNS=${2:-5}
start_xvfb "$SIZE"

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
HZ=$(getconf CLK_TCK)

log "start to first black frame, /s, $RUNS runs"
for i in $(seq 1 "$RUNS"); do
  OUT=$("$XPROBE" launch "$SAVER_CAPTION" 30 -- "$KALVESSA" /s)
  PID=$(echo "$OUT" | awk '$1 == "pid" { print $2 }')
  echo "run $i: $(echo "$OUT" | awk '$1 != "pid" { printf "%s %s ms  ", $1, $2 }')"
  if [ "$i" = "$RUNS" ]; then
    log "CPU over 10 s (from 2 s after the start), peak memory"
    sleep 2
    S0=$(ticks "$PID"); X0=$(ticks "$XVFB_PID"); T0=$(date +%s.%N)
    sleep 10
    S1=$(ticks "$PID"); X1=$(ticks "$XVFB_PID"); T1=$(date +%s.%N)
    awk -v s="$((S1 - S0))" -v x="$((X1 - X0))" -v hz="$HZ" -v t0="$T0" -v t1="$T1" \
      'BEGIN { d = t1 - t0; printf "saver CPU %.1f %%, X server CPU %.1f %%\n", 100 * s / hz / d, 100 * x / hz / d }'
    grep -E 'VmHWM|VmRSS' "/proc/$PID/status"
  fi
  xdotool key space
  poll 20 "! kill -0 $PID 2>/dev/null"
done
finish
