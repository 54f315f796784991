#!/bin/bash
# Without MIT-SHM (a remote display, a server without the extension) the
# saver pushes its pixels with XPutImage and looks the same.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
start_xvfb 800x600 -extension MIT-SHM
xdpyinfo -queryExtensions 2>/dev/null | grep -q MIT-SHM && die "the server still offers MIT-SHM"

start_saver /s
wait_window || die "no window: $(cat "$WORK/saver.out")"
screenshot first
only_saver_colours first || fail "first screenshot: unexpected colours"
sleep 3
screenshot running
only_saver_colours running || fail "running: unexpected colours"
[ "$(trail_pixels running)" -gt 100 ] || fail "nothing drawn without MIT-SHM"
[ "$(count_colour running FAFA00)" -gt 0 ] || fail "no bright yellow particle heads"
xdotool key space
wait_exit "$SAVER_PID"
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
grep -q 'X error' "$WORK/saver.out" && fail "X errors: $(cat "$WORK/saver.out")"
finish
