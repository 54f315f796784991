#!/bin/bash
# CPU share of the open settings dialog with its banner running, natively and
# under Wine, and the banner's real pace. A measurement, not a test: it prints
# figures and the command line that reproduces them.
#
#   bench/dialog_cpu.sh [RUNS] [WINDOW_SECONDS] [WARMUP_SECONDS] [native|wine|both]
#
# One run = `kalvessa /c` on an Xvfb of its own (then `Kalvessa.scr /c` under
# Wine on another): after the warm-up, CPU over the window from the
# scheduler's run time (/proc/<pid>/task/*/schedstat) of the dialog's process,
# of the X server and, under Wine, of wineserver, as a share of one core; then,
# over another window, the banner's ticks a second, read off screenshots (the
# phase each shows, matched against kal-render's 310 phases; consecutive
# readings under 4.8 s apart, so the count is exact). The screenshots cost the
# X server time, so the CPU window comes first and sees none.
#
# Environment: BUILD (default build/linux), SCR (default
# build/windows/Kalvessa.scr).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/linux}
SCR=${SCR:-$ROOT/build/windows/Kalvessa.scr}
export KALVESSA=${KALVESSA:-$BUILD/app/linux/kalvessa}
export XPROBE=${XPROBE:-$BUILD/tests/tools/xprobe}
export KAL_RENDER=${KAL_RENDER:-$BUILD/tools/kal-render}
RUNS=${1:-3}
WINDOW=${2:-30}
WARMUP=${3:-3}
MODE=${4:-both}
CAPTION="Kalvessaの設定"

for f in "$KALVESSA" "$XPROBE" "$KAL_RENDER"; do
  [ -x "$f" ] || { echo "missing $f (cmake --build --preset linux)"; exit 2; }
done
[ "$MODE" = native ] || [ -f "$SCR" ] || { echo "missing $SCR (cmake --build --preset windows)"; exit 2; }

# shellcheck source-path=SCRIPTDIR source=../tests/integration/x11/lib.sh
. "$ROOT/tests/integration/x11/lib.sh"
# shellcheck source=../tests/integration/banner_phase.sh
. "$ROOT/tests/integration/banner_phase.sh"
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'pkill -f "$WORK/Kalvessa.scr" 2>/dev/null; [ -d "$WINEPREFIX" ] && timeout 15 wineserver -k 2>/dev/null; cleanup' EXIT

cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'; }
share() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.2f", 100 * n / 1e9 / s }'; }

# measure LABEL PID [WINESERVER_PID]: prints "LABEL client% server% [wineserver%] ticks/s".
measure() {
  local label=$1 pid=$2 ws=${3:-} c0 x0 w0 t0 c1 x1 w1 t1 secs
  sleep "$WARMUP"
  c0=$(cpu_ns "$pid") x0=$(cpu_ns "$XVFB_PID") w0=$([ -n "$ws" ] && cpu_ns "$ws" || echo 0) t0=$(date +%s%N)
  sleep "$WINDOW"
  c1=$(cpu_ns "$pid") x1=$(cpu_ns "$XVFB_PID") w1=$([ -n "$ws" ] && cpu_ns "$ws" || echo 0) t1=$(date +%s%N)
  kill -0 "$pid" 2>/dev/null || die "$label: the dialog ended during the measurement"
  secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print (b - a) / 1e9 }')

  # The pace: phases read off the screen about every second.
  local geometry dx dy first="" last="" first_ns=0 last_ns=0 ticks=0 end=$((SECONDS + WINDOW)) p at
  geometry=$("$XPROBE" window "$CAPTION" | awk '$1 == "geometry" { print $2 }')
  dx=$(echo "$geometry" | cut -d+ -f2) dy=$(echo "$geometry" | cut -d+ -f3)
  while [ "$SECONDS" -lt "$end" ]; do
    import -window root -crop "469x110+$((dx + 22))+$((dy + 102))" +repage "$WORK/banner.png"
    at=$(date +%s%N)
    p=$(banner_phase "$WORK/phases" "$WORK/banner.png")
    if [ -n "$p" ]; then
      if [ -z "$first" ]; then
        first=$p first_ns=$at
      else
        ticks=$((ticks + $(banner_advance "$last" "$p")))
      fi
      last=$p last_ns=$at
    fi
    sleep 0.8
  done
  printf '%s %s %s %s %s\n' "$label" "$(share $((c1 - c0)) "$secs")" "$(share $((x1 - x0)) "$secs")" \
    "$([ -n "$ws" ] && share $((w1 - w0)) "$secs" || echo -)" \
    "$(awk -v t="$ticks" -v d=$((last_ns - first_ns)) 'BEGIN { printf "%.2f", (d > 0 ? t / (d / 1e9) : 0) }')" |
    tee -a "$WORK/samples"
}

run_native() {
  start_xvfb 1024x768 >/dev/null
  start_saver /c
  "$XPROBE" wait "$CAPTION" 30 || die "no dialog"
  measure native "$SAVER_PID"
  kill "$SAVER_PID"
  wait "$SAVER_PID" 2>/dev/null
  STARTED_PIDS=()
  kill "$XVFB_PID"
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}

run_wine() {
  start_xvfb 1024x768 >/dev/null
  if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
    cp "$SCR" "$WORK/Kalvessa.scr"
  fi
  # The loader execs its way into the program: the pid is the program's.
  wine "$WORK/Kalvessa.scr" /c >/dev/null 2>&1 &
  local pid=$! ws
  "$XPROBE" wait "$CAPTION" 60 || die "no dialog under Wine"
  ws=$(pgrep wineserver | head -n1)
  measure wine "$pid" "$ws"
  pkill -f "$WORK/Kalvessa.scr"
  timeout 15 wineserver -k 2>/dev/null
  kill "$XVFB_PID"
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}

banner_index "$WORK/phases" || die "kal-render --dialog --series failed"
echo "# bench/dialog_cpu.sh $RUNS $WINDOW $WARMUP $MODE"
echo "# $(nproc) cores, load at start $(cut -d' ' -f1-3 /proc/loadavg)"
echo "# run client% X-server% wineserver% banner-ticks/s"
for _ in $(seq 1 "$RUNS"); do
  [ "$MODE" = wine ] || run_native
  [ "$MODE" = native ] || run_wine
done
echo "# median (lowest-highest) over the runs"
for label in native wine; do
  grep -q "^$label " "$WORK/samples" 2>/dev/null || continue
  line=$label
  for column in 2 3 4 5; do
    mapfile -t values < <(awk -v c="$column" -v l="$label" '$1 == l { print $c }' "$WORK/samples" | sort -g)
    line+=" ${values[$(((${#values[@]} - 1) / 2))]} (${values[0]}-${values[-1]})"
  done
  echo "$line"
done
echo "# load at end $(cut -d' ' -f1-3 /proc/loadavg)"
