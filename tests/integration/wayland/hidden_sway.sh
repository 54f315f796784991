#!/bin/bash
# The saver's xdg-shell path (what GNOME and weston get; forced here with
# KALVESSA_WAYLAND_SHELL=xdg) on headless sway: a full-screen xdg_toplevel
# that sway stops sending frame callbacks to once its workspace is hidden.
# Hidden, the saver draws nothing and its CPU over 10 s stays below 0.1 % of
# a core; shown again, it draws again; the compositor's close ends it.
# Needs KALVESSA besides lib.sh's programs.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${KALVESSA:?KALVESSA must name the kalvessa program}"
K=$(install_program "$KALVESSA")

start_sway 1280x720
export KALVESSA_WAYLAND_SHELL=xdg

# cpu_ns PID: the CPU time its threads have used, in nanoseconds.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%.0f\n", n }'; }
# share PID SECONDS: its CPU share over that many seconds, in thousandths of a percent of a core.
share() {
  local a b
  a=$(cpu_ns "$1")
  sleep "$2"
  b=$(cpu_ns "$1")
  echo $(((b - a) / ($2 * 10000)))
}

start_client saver "$K" /s
PID=$CLIENT_PID
poll 20 "screenshot shown HEADLESS-1 && has_swarm shown" || die "no swarm: $(cat "$WORK/saver.err")"
[ "$(sway_msg -t get_tree | jq -r '[.. | objects | select(.app_id? == "kalvessa")][0].fullscreen_mode')" = 1 ] ||
  fail "the saver is not a full-screen xdg_toplevel"
shown=$(share "$PID" 3)
echo "figure: shown (xdg-shell, 121 particles): $((shown / 1000)).$(printf %03d $((shown % 1000))) % of a core"

log "hidden on another workspace: no drawing, no CPU"
sway_msg 'workspace 2' >/dev/null
sleep 1.5
screenshot hidden HEADLESS-1
has_swarm hidden && fail "workspace 2 still shows the swarm"
hidden=$(share "$PID" 10)
echo "figure: hidden for 10 s: $((hidden / 1000)).$(printf %03d $((hidden % 1000))) % of a core"
[ "$hidden" -lt 100 ] || fail "hidden, the saver used $((hidden / 1000)).$(printf %03d $((hidden % 1000))) % of a core (at most 0.1 %)"
kill -0 "$PID" 2>/dev/null || fail "the saver ended while hidden"

log "shown again: it draws again"
sway_msg 'workspace 1' >/dev/null
sleep 1
screenshot again1 HEADLESS-1
sleep 1
screenshot again2 HEADLESS-1
has_swarm again2 || fail "shown again, no swarm"
n=$(compare -metric AE "$WORK/shots/again1.png" "$WORK/shots/again2.png" null: 2>&1)
[ "${n%% *}" -gt 50 ] || fail "shown again, the swarm does not move ($n pixels changed in a second)"
again=$(share "$PID" 3)
echo "figure: shown again: $((again / 1000)).$(printf %03d $((again % 1000))) % of a core"
[ "$again" -gt "$((hidden * 10 + 100))" ] || fail "shown again, the saver does not work ($again)"

log "the compositor's close (xdg_toplevel.close) ends it as a close request does"
sway_msg '[app_id=kalvessa] kill' >/dev/null
wait_exit "$PID" 10
[ "$EXIT_CODE" = 0 ] || fail "after the compositor's close: exit code $EXIT_CODE"
[ -s "$WORK/saver.err" ] && fail "stderr: $(head -3 "$WORK/saver.err")"
finish
