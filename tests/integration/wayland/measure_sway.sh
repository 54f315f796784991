#!/bin/bash
# Figures of the saver on headless sway (not a test): the native Wayland
# saver against the X11 saver through sway's XWayland, one 1920x1080 output,
# at 121 and 501 particles (stored counts 120 and 500), alternating: CPU of
# the saver, of sway and of Xwayland over 10 s from 2 s after the start;
# and the Wayland saver's start to its first frame (the process started to
# its black surface, and to the first buffer with the swarm, from its own
# protocol log).
#   KALVESSA=build/linux/app/linux/kalvessa KAL_WAYLAND_PROBE=unused \
#   KAL_WAYLAND_POINTER=build/linux/tests/integration/wayland/kal-wayland-pointer \
#   bash tests/integration/wayland/measure_sway.sh [ROUNDS]
# Xwayland makes its X socket in /tmp/.X11-unix like every X server.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${KALVESSA:?KALVESSA must name the kalvessa program}"
ROUNDS=${1:-2}
K=$(install_program "$KALVESSA")
KEY=$(printf '\xca\xdf\xb0\xc3\xa8\xb8\xd9\x82\xcc\x90\x94')
INI=$USER_HOME/.config/kalvessa/Kalvessa.ini
store() {
  mkdir -p "$(dirname "$INI")"
  printf '[Section]\r\n%s= %s\r\n' "$KEY" "$1" >"$INI"
  [ ${#AS_USER[@]} -gt 0 ] && chown -R "$TEST_USER:$(id -g "$TEST_USER")" "$USER_HOME/.config"
}

start_sway --xwayland 1920x1080
sway_msg "exec 'echo \$DISPLAY > $WORK/shots/display'" >/dev/null
poll 10 "[ -s '$WORK/shots/display' ]" || die "sway offers no XWayland display"
XDISPLAY=$(cat "$WORK/shots/display")

cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%.0f\n", n }'; }
pct() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { printf "%.2f", (b - a) / t / 1e7 }'; }

# run SYSTEM COUNT: one measured run.
run() {
  local system=$1 count=$2 pid xw s0 c0 x0 s1 c1 x1 t0 t1
  store "$count"
  if [ "$system" = wayland ]; then
    start_client saver "$K" /s
  else
    USER_DISPLAY=$XDISPLAY KALVESSA_PLATFORM=x11 start_client saver "$K" /s
  fi
  pid=$CLIENT_PID
  sleep 2
  xw=$(pgrep -u "$TEST_USER" -f "^Xwayland $XDISPLAY( |\$)" | head -1)
  t0=$(date +%s%N)
  s0=$(cpu_ns "$pid") c0=$(cpu_ns "$COMPOSITOR_PID") x0=$([ -n "$xw" ] && cpu_ns "$xw" || echo 0)
  sleep 10
  t1=$(date +%s%N)
  s1=$(cpu_ns "$pid") c1=$(cpu_ns "$COMPOSITOR_PID") x1=$([ -n "$xw" ] && cpu_ns "$xw" || echo 0)
  local t=$(((t1 - t0) / 1000000000))
  screenshot "$system-$count" HEADLESS-1
  local shown
  shown=$(swarm_pixels "$system-$count")
  echo "figure: $system $((count + 1)) particles: saver $(pct "$s0" "$s1" "$t") %, sway $(pct "$c0" "$c1" "$t") %," \
    "Xwayland $(pct "$x0" "$x1" "$t") % of a core ($shown swarm pixels on screen)"
  kill "$pid"
  wait_exit "$pid" 10
  [ -n "$xw" ] || [ "$system" = wayland ] || echo "(no Xwayland process found)"
}

# first_frame: one start with its protocol log (which costs time of its own
# while it runs, so apart from the CPU runs).
first_frame() {
  store 120
  # The log's times are the wall clock's microseconds cut to 32 bits, in
  # milliseconds: they wrap every 4294.967 s.
  local start_ms=$((($(date +%s%6N) % 4294967296) / 1000))
  WAYLAND_DEBUG=client start_client timing "$K" /s
  local pid=$CLIENT_PID
  sleep 2
  kill "$pid"
  wait_exit "$pid" 10
  awk -v s="$start_ms" '/ -> wl_surface@[0-9]+\.attach\(/ { line = $0; sub(/^\[ */, "", line); t = substr(line, 1, index(line, "]") - 1) + 0; n++; ms[n] = t < s ? t + 4294967.296 : t }
    END { if (n >= 2) printf "figure: wayland start to the black surface %d ms, to the first swarm frame %d ms\n", ms[1] - s, ms[2] - s }' \
    "$WORK/timing.err"
}
log "start to first frame"
for _ in 1 2 3; do first_frame; done

for round in $(seq 1 "$ROUNDS"); do
  log "round $round"
  for count in 120 500; do
    run wayland "$count"
    run x11 "$count"
  done
done
