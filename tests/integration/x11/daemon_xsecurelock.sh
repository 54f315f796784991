#!/bin/bash
# xsecurelock with kalvessa as its saver (XSECURELOCK_SAVER): the locker runs
# our program with -root and XSCREENSAVER_WINDOW naming its saver window, the
# swarm shows under the lock; the locker's end (SIGTERM) ends our program
# within 2 s. The locker runs as an ordinary user: as root, as nobody.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
command -v xsecurelock >/dev/null || die "xsecurelock is not installed"
start_xvfb 640x480

AS_USER=()
LOCK_HOME=$WORK/lock-home
SAVER=$WORK/kalvessa
if [ "$(id -u)" = 0 ]; then
  AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  # nobody cannot reach into a build tree below a private folder: its home
  # and its copy of the program live in a folder anyone may enter.
  SHARED=$(mktemp -d /tmp/kal-xsecurelock.XXXXXX) || die "cannot make a folder for the locker"
  trap 'rm -rf "$SHARED"; cleanup' EXIT
  chmod 755 "$SHARED"
  LOCK_HOME=$SHARED/home
  SAVER=$SHARED/kalvessa
fi
cp "$KALVESSA" "$SAVER" || die "cannot copy $KALVESSA"
chmod 755 "$SAVER"
mkdir -p "$LOCK_HOME/.config" "$LOCK_HOME/runtime"
chmod 700 "$LOCK_HOME/runtime"
[ "$(id -u)" = 0 ] && chown -R nobody:nogroup "$LOCK_HOME"

log "xsecurelock, kalvessa its saver"
# Xvfb has no compositor: the locker's own windows then, not the overlay.
(cd "$LOCK_HOME" && exec "${AS_USER[@]}" env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" HOME="$LOCK_HOME" \
  XDG_CONFIG_HOME="$LOCK_HOME/.config" XDG_RUNTIME_DIR="$LOCK_HOME/runtime" \
  XSECURELOCK_NO_COMPOSITE=1 XSECURELOCK_SAVER="$SAVER" xsecurelock >"$WORK/locker.log" 2>&1) &
LOCKER_PID=$!
STARTED_PIDS+=("$LOCKER_PID")

# ours: the kalvessa below the locker (xsecurelock -> saver_multiplex ->
# kalvessa); the multiplexer gives its savers process groups of their own, so
# they are found by descent, not by session.
descendants() {
  local child
  for child in $(ps -o pid= --ppid "$1"); do
    echo "$child"
    descendants "$child"
  done
}
ours() {
  local pid
  for pid in $(descendants "$LOCKER_PID"); do
    [ "$(ps -o comm= -p "$pid")" = kalvessa ] && echo "$pid"
  done
}
# shellcheck disable=SC2016  # evaluated by poll
poll 20 '[ -n "$(ours)" ]' || die "no kalvessa under the locker: $(cat "$WORK/locker.log")"
PID=$(ours)
STARTED_PIDS+=("$PID")
echo "kalvessa's parent: $(ps -o comm= -p "$(ps -o ppid= -p "$PID" | tr -d ' ')")"
cmdline=$(tr '\0' ' ' <"/proc/$PID/cmdline")
echo "kalvessa: $cmdline"
[ "$cmdline" = "$SAVER -root " ] || fail "the locker ran \"$cmdline\""
window=$(tr '\0' '\n' <"/proc/$PID/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
echo "XSCREENSAVER_WINDOW=$window"
[ -n "$window" ] || fail "no XSCREENSAVER_WINDOW from the locker"

log "the swarm under the lock"
sleep 2
screenshot daemon_xsecurelock
only_saver_colours daemon_xsecurelock || fail "the screen shows more than the swarm"
YELLOW=$(count_colour daemon_xsecurelock FAFA00)
echo "figure: $YELLOW yellow pixels, $(trail_pixels daemon_xsecurelock) trail pixels on the 640x480 screen"
[ "$YELLOW" -gt 0 ] || fail "no yellow particle on the screen"

log "the locker's SIGTERM ends kalvessa within 2 s"
kill -TERM "$LOCKER_PID"
start=$(date +%s%N)
if poll 3 "! alive $PID"; then
  ms=$((($(date +%s%N) - start) / 1000000))
  echo "figure: gone ${ms} ms after the locker's SIGTERM"
  [ "$ms" -le 2000 ] || fail "kalvessa took ${ms} ms to end (2 s at most)"
else
  fail "kalvessa still runs 3 s after the locker's SIGTERM"
fi
wait_exit "$LOCKER_PID" 5
echo "the locker ended with $EXIT_CODE"
finish
