#!/bin/bash
# The Wayland layer's other path on headless weston, which has no layer shell
# (and no seat): a full-screen xdg_toplevel covers its output and shows the
# pattern (weston's own screenshooter); SIGTERM ends the probe.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
command -v weston-screenshooter >/dev/null || skip "weston-screenshooter is not installed"

start_weston 1280 720
start_client probe "$KAL_WAYLAND_PROBE" --timeout 120
PROBE=$CLIENT_PID
wait_line probe '^shell xdg$' || die "the probe did not fall back on xdg-shell"
wait_line probe '^seat none$' || fail "weston headless has a seat after all: $(grep '^seat' "$WORK/probe.out")"
wait_line probe '^configured output=[^ ]+ shell=xdg width=1280 height=720 scale=1 buffer=1280x720$' || fail "no full-screen configure"
wait_line probe '^pattern output=' || die "the pattern was not drawn"
sleep 1
weston_screenshot weston
[ "$(size_of weston)" = 1280x720 ] || fail "the screenshot is $(size_of weston)"
[ "$(count_colour weston FFFF00)" = "$PATTERN_YELLOW" ] || fail "$(count_colour weston FFFF00) yellow pixels, not $PATTERN_YELLOW"
[ "$(count_colour weston FFFFFF)" = "$PATTERN_WHITE" ] || fail "$(count_colour weston FFFFFF) white pixels, not $PATTERN_WHITE"
[ "$(colours_of weston | wc -l)" = 3 ] || fail "the screen shows more than the pattern on black: $(colours_of weston | head -5 | tr '\n' ' ')"

kill -TERM "$PROBE"
wait_exit "$PROBE" 10
[ "$EXIT_CODE" = 0 ] || fail "after SIGTERM the probe's exit code is $EXIT_CODE"
grep -q '^exit reason=signal$' "$WORK/probe.out" || fail "the probe did not end on the signal"
[ -s "$WORK/probe.err" ] && fail "the probe wrote to stderr: $(head -5 "$WORK/probe.err")"
finish
