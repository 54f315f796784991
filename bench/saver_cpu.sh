#!/bin/bash
# CPU share of the running native saver at its design pace, next to the
# XScreenSaver hack `attraction` (package xscreensaver-data-extra) doing the
# same job on an X server of the same size. A measurement, not a test: it
# prints a table of figures and the command line that reproduces them.
#
#   bench/saver_cpu.sh [RUNS] [WINDOW_SECONDS] [WARMUP_SECONDS] [WIDTHxHEIGHT]
#
# One run = for each particle count: the saver (`kalvessa /s`) on an Xvfb of
# its own, then attraction (`--root`, its defaults otherwise) on another fresh
# Xvfb; then an Xvfb with nothing drawing, for the server's own idle share.
# The programs never share a server. CPU comes from the run time in
# /proc/<pid>/task/*/schedstat of the client and of its Xvfb, read at the start
# and the end of the window, as a share of one core. The table gives the median over
# the runs (for attraction over all its samples), with the lowest and highest
# value.
#
# With kal-floor built, each saver run is followed by the floor of its picture:
# the same dots replayed with nothing else (bench/SaverFloor.cpp), and each run
# ends with the floor's 60 wake-ups a second alone.
#
# Environment: BUILD (default build/linux), KALVESSA, KAL_INI, XPROBE, FLOOR
# (empty: no floor rows), ATTRACTION, COUNTS (settings values, default
# "120 500": 121 and 501 particles).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# The programs' places, cpu_ns, now and stats.
# shellcheck source-path=SCRIPTDIR source=cpu_lib.sh
. "$ROOT/bench/cpu_lib.sh"
FLOOR=${FLOOR-$BUILD/bench/kal-floor}
[ -n "$FLOOR" ] && [ ! -x "$FLOOR" ] && { echo "# no $FLOOR: no floor rows"; FLOOR=; }
COUNTS=${COUNTS:-120 500}
RUNS=${1:-3}
WINDOW=${2:-20}
WARMUP=${3:-3}
SIZE=${4:-1920x1080}

for f in "$KALVESSA" "$XPROBE" "$KAL_INI"; do
  [ -x "$f" ] || { echo "missing $f (cmake --build --preset linux --target kalvessa kal-ini xprobe)"; exit 2; }
done
[ -x "$ATTRACTION" ] || { echo "missing $ATTRACTION (apt-get install xscreensaver-data-extra)"; exit 2; }

# Xvfb start-up, the saver's start and the clean-up on exit.
# shellcheck source-path=SCRIPTDIR source=../tests/integration/x11/lib.sh
. "$ROOT/tests/integration/x11/lib.sh"


stop_xvfb() {
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}

# sample CLIENT_PID LABEL: waits WARMUP, then prints "LABEL client% server%"
# over WINDOW seconds (and into $WORK/samples).
sample() {
  local pid=$1 label=$2 c0 x0 t0 c1 x1 t1
  sleep "$WARMUP"
  kill -0 "$pid" 2>/dev/null || die "$label: the program ended during the warm-up"
  c0=$(cpu_ns "$pid") x0=$(cpu_ns "$XVFB_PID") t0=$(now)
  sleep "$WINDOW"
  c1=$(cpu_ns "$pid") x1=$(cpu_ns "$XVFB_PID") t1=$(now)
  kill -0 "$pid" 2>/dev/null || die "$label: the program ended during the measurement"
  put_sample "$WORK/samples" "$label" $((c1 - c0)) $((x1 - x0)) "$t0" "$t1"
}

run_saver() {
  local value=$1 particles=$(($1 + 1))
  start_xvfb "$SIZE" >/dev/null
  mkdir -p "$XDG_CONFIG_HOME/kalvessa"
  "$KAL_INI" write "$XDG_CONFIG_HOME/kalvessa/Kalvessa.ini" " $value" || die "kal-ini failed"
  start_saver /s
  wait_window || die "the saver did not show its window"
  sample "$SAVER_PID" "kalvessa_$particles"
  xdotool key space
  wait_exit "$SAVER_PID"
  STARTED_PIDS=()  # reaped: the clean-up must not signal a pid that may be reused
  stop_xvfb
}

# run_client LABEL WINDOW COMMAND...: the command on an Xvfb of its own,
# sampled once its window named WINDOW is up (at once for an empty WINDOW).
run_client() {
  local label=$1 window=$2
  shift 2
  start_xvfb "$SIZE" >/dev/null
  "$@" >"$WORK/client.out" 2>&1 &
  local pid=$!
  STARTED_PIDS+=("$pid")
  if [ -n "$window" ]; then
    "$XPROBE" wait "$window" "$WINDOW_TIMEOUT" || die "$label did not start: $(cat "$WORK/client.out")"
  fi
  sample "$pid" "$label"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  STARTED_PIDS=()
  stop_xvfb
}

# kal-floor maps its window once its record is made.
run_floor() { run_client "$1" kal-floor "$FLOOR" --seconds $((WARMUP + WINDOW + 20)) "${@:2}"; }
run_attraction() { run_client attraction "" "$ATTRACTION" --root; }

run_idle() {
  start_xvfb "$SIZE" >/dev/null
  # No client: the server's own figure is both columns of the sample.
  sample "$XVFB_PID" idle_xvfb
  stop_xvfb
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "# bench/saver_cpu.sh $RUNS $WINDOW $WARMUP $SIZE  (COUNTS=\"$COUNTS\")"
echo "# $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load at start $(load)"
echo "# per sample: label, client % of one core, X server % of one core ($WINDOW s after $WARMUP s)"
: >"$WORK/samples"
for run in $(seq 1 "$RUNS"); do
  echo "# run $run (load $(load))"
  for value in $COUNTS; do
    run_saver "$value"
    [ -n "$FLOOR" ] && run_floor "floor_$((value + 1))" --particles $((value + 1)) --clip tiles
    run_attraction
  done
  [ -n "$FLOOR" ] && run_floor floor_idle --idle
  run_idle
done
LOAD_END=$(load)

echo
N_ATTR=$(($(wc -w <<<"$COUNTS") * RUNS))
echo "CPU share of one core, median (lowest-highest) of $RUNS runs, of $N_ATTR for attraction (one next to each"
echo "saver run); $SIZE Xvfb, ${WINDOW}-second windows after ${WARMUP} s"
echo "load average at the start / the end: see above / $LOAD_END"
echo
printf '| %-30s | %-22s | %-22s |\n' "Program" "Client %" "X server %"
printf '|%s|%s|%s|\n' "--------------------------------" "------------------------" "------------------------"
median() { stats "$WORK/samples" "$1" "$2" | cut -d' ' -f1; }
row() { printf '| %-30s | %-22s | %-22s |\n' "$1" "$(stats "$WORK/samples" "$2" 2)" "$(stats "$WORK/samples" "$2" 3)"; }
for value in $COUNTS; do
  row "kalvessa /s, $((value + 1)) particles" "kalvessa_$((value + 1))"
  [ -n "$FLOOR" ] && row "its picture alone (kal-floor)" "floor_$((value + 1))"
done
[ -n "$FLOOR" ] && row "60 wake-ups alone (kal-floor)" floor_idle
row "attraction --root" attraction
printf '| %-30s | %-22s | %-22s |\n' "Xvfb alone (nothing drawing)" "-" "$(stats "$WORK/samples" idle_xvfb 3)"
echo
A_CLIENT=$(median attraction 2)
A_SERVER=$(median attraction 3)
for value in $COUNTS; do
  label="kalvessa_$((value + 1))"
  awk -v n=$((value + 1)) -v c="$(median "$label" 2)" -v s="$(median "$label" 3)" -v ac="$A_CLIENT" \
    -v as="$A_SERVER" 'BEGIN { printf "%d particles: client %s vs %s (%s), X server %s vs %s (%s)\n", n,
      c, ac, c <= ac ? "met" : "NOT met", s, as, s <= as ? "met" : "NOT met" }'
done
echo
echo "Reproduce: bench/saver_cpu.sh $RUNS $WINDOW $WARMUP $SIZE"
