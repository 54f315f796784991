#!/bin/bash
# The saver on headless weston, which offers no layer shell (and no seat):
# the full-screen xdg_toplevel path shows the swarm over the whole output
# (weston's own screenshooter), only in the trails' colours.
# Needs KALVESSA besides lib.sh's programs.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${KALVESSA:?KALVESSA must name the kalvessa program}"
command -v weston-screenshooter >/dev/null || skip "weston-screenshooter is not installed"
K=$(install_program "$KALVESSA")

start_weston 1280 720
start_client saver "$K" /s
PID=$CLIENT_PID
poll 20 "weston_screenshot shot >/dev/null 2>&1 && has_swarm shot" || fail "weston shows no swarm"
[ "$(size_of shot)" = 1280x720 ] || fail "the screenshot is $(size_of shot)"
# Full screen: nothing of weston's desktop (its grey background, a panel) shows.
colours_of shot | awk '$1 != "000000" && !(substr($1, 1, 2) >= "A0" && substr($1, 5, 2) == "00") { bad = bad " " $1 }
  END { if (bad) { print "other colours:" bad; exit 1 } }' || fail "the screen shows more than the swarm on black"
[ "$(count_colour shot 000000)" -gt 800000 ] || fail "the screen is not mostly black: $(colours_of shot | head -3 | tr '\n' ' ')"
kill -0 "$PID" 2>/dev/null || fail "the saver ended"
[ -s "$WORK/saver.err" ] && fail "stderr: $(head -3 "$WORK/saver.err")"
finish
