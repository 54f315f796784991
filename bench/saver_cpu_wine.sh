#!/bin/bash
# CPU share of Kalvessa.scr /s under Wine at its design pace, on a 1920x1080
# Xvfb: the saver's process, wineserver and the X server separately. A
# measurement, not a test: it prints a table of figures.
#
#   bench/saver_cpu_wine.sh [RUNS] [WINDOW_SECONDS] [WARMUP_SECONDS] [WIDTHxHEIGHT]
#
# One run = for each particle count, the saver started fresh on the same Xvfb
# and Wine prefix (made once, in a scratch folder), measured over the window
# after the warm-up, ended with a key press. CPU is the scheduler's run time
# (/proc/<pid>/task/*/schedstat) as a share of one core; the table gives the
# median (lowest-highest) over the runs.
#
# Environment: SCR (default build/windows/Kalvessa.scr), KAL_INI (default
# build/linux/tools/kal-ini), COUNTS (settings values, default "120 500").
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SCR=${SCR:-$ROOT/build/windows/Kalvessa.scr}
KAL_INI=${KAL_INI:-$ROOT/build/linux/tools/kal-ini}
COUNTS=${COUNTS:-120 500}
RUNS=${1:-3}
WINDOW=${2:-20}
WARMUP=${3:-5}
SIZE=${4:-1920x1080}

for f in "$SCR" "$KAL_INI"; do
  [ -f "$f" ] || { echo "missing $f (build the windows and linux presets)"; exit 2; }
done
for tool in wine wineboot wineserver Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; exit 2; }
done

WORK=$(mktemp -d /tmp/kal-wine-cpu-XXXXXX)
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
XVFB_PID=
cleanup() {
  pkill -f "$WORK/Kalvessa.scr" 2>/dev/null
  timeout 15 wineserver -k 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

: >"$WORK/displayfd"
Xvfb -displayfd 3 -screen 0 "${SIZE}x24" -noreset -nolisten tcp 3>"$WORK/displayfd" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 1 100); do [ -s "$WORK/displayfd" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$WORK/displayfd")"
export DISPLAY
wineboot -i >/dev/null 2>&1
wineserver -w
cp "$SCR" "$WORK/Kalvessa.scr"

cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'; }
now() { date +%s.%N; }

echo "# bench/saver_cpu_wine.sh $RUNS $WINDOW $WARMUP $SIZE"
echo "# $(nproc) cores, $(wine --version 2>/dev/null | head -n1), load at start $(cut -d' ' -f1-3 /proc/loadavg)"
for _ in $(seq 1 "$RUNS"); do
  for value in $COUNTS; do
    "$KAL_INI" write "$WORK/Kalvessa.ini" " $value" || exit 1
    wine "$WORK/Kalvessa.scr" /s &
    sleep "$WARMUP"
    saver=$(pgrep -f "^$WORK/Kalvessa.scr" | head -n1)
    server=$(pgrep -x wineserver64 | head -n1)
    [ -z "$server" ] && server=$(pgrep wineserver | head -n1)
    if [ -z "$saver" ] || [ -z "$server" ]; then echo "the saver did not start"; exit 1; fi
    s0=$(cpu_ns "$saver") w0=$(cpu_ns "$server") x0=$(cpu_ns "$XVFB_PID") t0=$(now)
    sleep "$WINDOW"
    s1=$(cpu_ns "$saver") w1=$(cpu_ns "$server") x1=$(cpu_ns "$XVFB_PID") t1=$(now)
    awk -v n=$((value + 1)) -v s=$((s1 - s0)) -v w=$((w1 - w0)) -v x=$((x1 - x0)) -v t0="$t0" -v t1="$t1" \
      'BEGIN { d = t1 - t0; printf "%d %.2f %.2f %.2f\n", n, 100*s/1e9/d, 100*w/1e9/d, 100*x/1e9/d }' |
      tee -a "$WORK/samples"
    xdotool key space
    for _ in $(seq 1 100); do kill -0 "$saver" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$saver" 2>/dev/null && { echo "the saver did not end on a key press"; exit 1; }
  done
done

echo
echo "| Particles | Kalvessa.scr % | wineserver % | Xvfb % |"
echo "|---|---|---|---|"
for value in $COUNTS; do
  n=$((value + 1))
  row="| $n"
  for col in 2 3 4; do
    row="$row | $(awk -v n="$n" -v c="$col" '$1 == n { print $c }' "$WORK/samples" | sort -n |
      awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
             printf "%.2f (%.2f-%.2f)", m, v[1], v[NR] }')"
  done
  echo "$row |"
done
