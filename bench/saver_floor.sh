#!/bin/bash
# Where the saver's CPU goes, against the least its picture can cost: the
# running saver, the same picture replayed by kal-floor with nothing else, the
# 60 wake-ups a second alone, and XScreenSaver's `attraction`, each on an Xvfb
# of its own. All run at once but only one at a time goes on: the others are
# stopped (SIGSTOP) while it is sampled, and they take turns in short windows,
# round after round. Interleaved this finely, a machine that gets slower or
# faster moves every program alike, and no program's cache is disturbed by
# another's work while it is measured. A measurement, not a test: it prints a
# table and how to reproduce it.
#
#   bench/saver_floor.sh [ROUNDS] [WINDOW_SECONDS] [SETTLE_SECONDS] [WIDTHxHEIGHT]
#
# A turn: the program goes on, SETTLE seconds pass, then WINDOW seconds are
# sampled and it is stopped again. `attraction` is started afresh on each of
# its turns, as it picks its number of balls at random. The saver and
# kal-floor pick up their pace again after a stop without making up for it.
#
# Environment: BUILD (default build/linux), KALVESSA, KAL_INI, XPROBE, FLOOR,
# ATTRACTION, COUNT (settings value, default 500: 501 particles), CLIPS (the
# kal-floor clip lists to replay, default "tiles pixels"; see bench/SaverFloor.cpp).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# The programs' places, cpu_ns, now and stats.
# shellcheck source-path=SCRIPTDIR source=cpu_lib.sh
. "$ROOT/bench/cpu_lib.sh"
FLOOR=${FLOOR:-$BUILD/bench/kal-floor}
COUNT=${COUNT:-500}
CLIPS=${CLIPS:-tiles pixels}
ROUNDS=${1:-10}
WINDOW=${2:-5}
SETTLE=${3:-2}
SIZE=${4:-1920x1080}
PARTICLES=$((COUNT + 1))

for f in "$KALVESSA" "$XPROBE" "$KAL_INI" "$FLOOR"; do
  [ -x "$f" ] || { echo "missing $f (cmake --build --preset linux --target kalvessa kal-ini xprobe kal-floor)"; exit 2; }
done
[ -x "$ATTRACTION" ] || { echo "missing $ATTRACTION (apt-get install xscreensaver-data-extra)"; exit 2; }

# shellcheck source-path=SCRIPTDIR source=../tests/integration/x11/lib.sh
. "$ROOT/tests/integration/x11/lib.sh"

# The programs, by label: what runs and how.
LABELS=(kalvessa)
for clip in $CLIPS; do LABELS+=("floor_$clip"); done
LABELS+=(floor_idle attraction)
declare -A SERVER CLIENT DISP
LONGER=$((ROUNDS * (SETTLE + WINDOW) + 30))  # kal-floor's record outlasts its turns

# launch LABEL: runs in a subshell of its own, which the program replaces, so
# the pid of that subshell is the program's.
launch() {
  local label=$1
  trap - EXIT  # the clean-up is the script's, not this subshell's
  exec >"$WORK/$label.out" 2>&1
  case $label in
    kalvessa) exec "$KALVESSA" /s ;;
    floor_idle) exec "$FLOOR" --seconds "$LONGER" --idle ;;
    floor_*) exec "$FLOOR" --particles "$PARTICLES" --seconds "$LONGER" --clip "${label#floor_}" ;;
    attraction) exec "$ATTRACTION" --root ;;
  esac
}

# wait_exec PID: the subshell has become the program (it is stopped between
# turns, which must not catch it still running the shell).
wait_exec() {
  local _
  for _ in $(seq 1 200); do
    [ "$(readlink "/proc/$1/exe")" != "$BASH" ] && return 0
    sleep 0.01
  done
}

# start LABEL: an Xvfb of its own, then the program on it.
start() {
  local label=$1
  start_xvfb "$SIZE" >/dev/null
  # The server is this label's: the clean-up stops it with the others.
  SERVER[$label]=$XVFB_PID DISP[$label]=$DISPLAY
  STARTED_PIDS+=("$XVFB_PID")
  XVFB_PID=
  launch "$label" &
  CLIENT[$label]=$!
  STARTED_PIDS+=("$!")
  wait_exec "${CLIENT[$label]}"
  # kal-floor maps its window once its record is made: none may still be
  # making one while the others are sampled.
  case $label in
    kalvessa) wait_window || die "the saver did not show its window" ;;
    floor_*) "$XPROBE" wait kal-floor "$WINDOW_TIMEOUT" || die "$label did not start" ;;
  esac
}

stop_all() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do kill -CONT "$pid" 2>/dev/null; kill "$pid" 2>/dev/null; done
  for pid in "${STARTED_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
  STARTED_PIDS=()
}

# turn LABEL: the program goes on, settles, is sampled and stopped again.
turn() {
  local label=$1 c0 x0 t0 c1 x1 t1
  if [ "$label" = attraction ]; then
    kill -CONT "${CLIENT[attraction]}" 2>/dev/null
    kill "${CLIENT[attraction]}" 2>/dev/null
    wait "${CLIENT[attraction]}" 2>/dev/null
    DISPLAY=${DISP[attraction]} launch attraction &
    CLIENT[attraction]=$!
    STARTED_PIDS+=("$!")
    wait_exec "$!"
  else
    kill -CONT "${CLIENT[$label]}"
  fi
  sleep "$SETTLE"
  c0=$(cpu_ns "${CLIENT[$label]}") x0=$(cpu_ns "${SERVER[$label]}") t0=$(now)
  sleep "$WINDOW"
  c1=$(cpu_ns "${CLIENT[$label]}") x1=$(cpu_ns "${SERVER[$label]}") t1=$(now)
  kill -STOP "${CLIENT[$label]}" 2>/dev/null || die "$label ended: $(cat "$WORK/$label.out")"
  put_sample "$WORK/samples" "$label" $((c1 - c0)) $((x1 - x0)) "$t0" "$t1"
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

mkdir -p "$XDG_CONFIG_HOME/kalvessa"
"$KAL_INI" write "$XDG_CONFIG_HOME/kalvessa/Kalvessa.ini" " $COUNT" || die "kal-ini failed"
echo "# bench/saver_floor.sh $ROUNDS $WINDOW $SETTLE $SIZE  (COUNT=$COUNT: $PARTICLES particles)"
echo "# $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load at start $(load)"
echo "# per sample: label, client % of one core, X server % of one core ($WINDOW s after $SETTLE s)"
: >"$WORK/samples"
for label in "${LABELS[@]}"; do
  start "$label"
  kill -STOP "${CLIENT[$label]}"
done
for round in $(seq 1 "$ROUNDS"); do
  echo "# round $round (load $(load))"
  # Each round starts one program further on: none always follows the same one.
  n=${#LABELS[@]}
  for k in $(seq 0 $((n - 1))); do turn "${LABELS[$(((k + round) % n))]}"; done
done
stop_all

echo
echo "CPU share of one core, median (lowest-highest) of $ROUNDS turns each, ${WINDOW}-second windows after"
echo "${SETTLE} s, the programs taking turns, each on a $SIZE Xvfb of its own; load at the end $(load)"
echo
printf '| %-44s | %-22s | %-22s |\n' "Program" "Client %" "X server %"
printf '|%s|%s|%s|\n' "----------------------------------------------" "------------------------" "------------------------"
row() { printf '| %-44s | %-22s | %-22s |\n' "$2" "$(stats "$WORK/samples" "$1" 2)" "$(stats "$WORK/samples" "$1" 3)"; }
row kalvessa "kalvessa /s, $PARTICLES particles"
for clip in $CLIPS; do
  case $clip in
    tiles) row floor_tiles "kal-floor: the picture, the saver's tiles" ;;
    pixels) row floor_pixels "kal-floor: the picture, changed pixels only" ;;
    *) row "floor_$clip" "kal-floor: the picture, $clip blocks" ;;
  esac
done
row floor_idle "kal-floor --idle: 60 wake-ups a second"
row attraction "attraction --root"
echo
for clip in $CLIPS; do echo "$clip: $(sed -n 1p "$WORK/floor_$clip.out")"; done
echo
echo "Reproduce: bench/saver_floor.sh $ROUNDS $WINDOW $SETTLE $SIZE"
