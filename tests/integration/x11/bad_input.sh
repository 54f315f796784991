#!/bin/bash
# Bad input gets a clear, safe outcome: garbage command lines end at once, a
# missing display is reported, unusable settings fall back to the default, a
# vanished X server ends the saver with code 1.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
start_xvfb 640x480

log "garbage command lines end at once, exit code 0, no window"
LONG=$(head -c 100000 /dev/zero | tr '\0' 'z')
for line in "%%%\$\$\$" $'\xff\xfe\x01garbage' "$LONG" "/p" "/p notanumber" "/p 99999999999999999999" "/a" "/a xyz"; do
  run_quick "$line"
  [ "$EXIT_CODE" = 0 ] || fail "\"${line:0:20}\": exit code $EXIT_CODE ($(head -c 300 "$WORK/quick.out"))"
done
[ "$("$XPROBE" count "$SAVER_CAPTION")" = 0 ] || fail "a garbage command line left a window"

log "no display: reported on stderr, exit code non-zero"
env -u DISPLAY "$KALVESSA" /s >"$WORK/nodisplay.out" 2>&1
CODE=$?
[ "$CODE" != 0 ] || fail "no DISPLAY: exit code 0"
grep -q '^Kalvessa: cannot open display' "$WORK/nodisplay.out" || fail "no DISPLAY: said [$(cat "$WORK/nodisplay.out")]"
DISPLAY=:9876 timeout 20 "$KALVESSA" /s >"$WORK/baddisplay.out" 2>&1
CODE=$?
if [ "$CODE" = 0 ] || [ "$CODE" = 124 ]; then fail "a display that does not exist: exit code $CODE"; fi
grep -q 'cannot open display ":9876"' "$WORK/baddisplay.out" || fail "bad DISPLAY: said [$(cat "$WORK/baddisplay.out")]"

# saver_runs LABEL: the saver comes up with trails (so the count was usable) and a key ends it.
saver_runs() {
  start_saver /s
  if wait_window; then
    sleep 2
    screenshot "settings-$1"
    only_saver_colours "settings-$1" || fail "$1: unexpected colours"
    [ "$(trail_pixels "settings-$1")" -gt 50 ] || fail "$1: nothing drawn"
    xdotool key space
    wait_exit "$SAVER_PID"
    [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE ($(cat "$WORK/saver.out"))"
  fi
}

log "the window system: KALVESSA_PLATFORM picks it, one this build lacks is refused in one line"
KALVESSA_PLATFORM=nonsense timeout 20 "$KALVESSA" /s >"$WORK/platform.out" 2>&1
CODE=$?
[ "$CODE" = 2 ] || fail "KALVESSA_PLATFORM=nonsense: exit code $CODE"
[ "$(wc -l <"$WORK/platform.out")" = 1 ] &&
  grep -q '^Kalvessa: unknown window system "nonsense" in KALVESSA_PLATFORM (this build has .*x11' "$WORK/platform.out" ||
  fail "KALVESSA_PLATFORM=nonsense said [$(cat "$WORK/platform.out")]"
[ "$("$XPROBE" count "$SAVER_CAPTION")" = 0 ] || fail "KALVESSA_PLATFORM=nonsense left a window"
"$KALVESSA" --version >"$WORK/version.out" 2>&1 || fail "--version: exit code $?"
head -1 "$WORK/version.out" | grep -qx 'kalvessa [0-9][0-9.]*' || fail "--version said [$(cat "$WORK/version.out")]"
grep -qx 'window system: x11' "$WORK/version.out" || fail "--version does not list x11 [$(cat "$WORK/version.out")]"
KALVESSA_PLATFORM=x11 saver_runs platform-x11

log "settings directory that cannot be created (below a regular file)"
: >"$WORK/plainfile"
XDG_CONFIG_HOME="$WORK/plainfile/config" saver_runs below-file

log "settings directory in a place nobody may write"
XDG_CONFIG_HOME=/proc/kalvessa-test saver_runs proc

log "settings file that is a directory"
mkdir -p "$WORK/dirfile/kalvessa/Kalvessa.ini"
XDG_CONFIG_HOME="$WORK/dirfile" saver_runs ini-is-directory

log "settings file full of binary garbage"
mkdir -p "$WORK/garbage/kalvessa"
head -c 4096 /dev/urandom >"$WORK/garbage/kalvessa/Kalvessa.ini"
XDG_CONFIG_HOME="$WORK/garbage" saver_runs garbage-ini

log "a relative XDG_CONFIG_HOME is ignored"
(cd "$WORK" && XDG_CONFIG_HOME=relative saver_runs relative-xdg)
[ ! -e "$WORK/relative" ] || fail "a relative XDG_CONFIG_HOME was used"

log "the X server goes away under the running saver: exit code 1, a message"
start_saver /s
if wait_window; then
  kill "$XVFB_PID"
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 1 ] || fail "server gone: exit code $EXIT_CODE"
  grep -q '^Kalvessa: ' "$WORK/saver.out" || fail "server gone: nothing said [$(cat "$WORK/saver.out")]"
fi
finish
