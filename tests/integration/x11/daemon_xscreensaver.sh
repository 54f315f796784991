#!/bin/bash
# The real screen-saver daemon (Debian's xscreensaver) runs `kalvessa --root`
# as its one program: on activation our process runs under the daemon and the
# screen shows the swarm; on deactivation the daemon's SIGTERM ends it.
# The daemon launches no programs as root ("running as root: not launching
# hacks"): as root the daemon runs as nobody, with a home nobody owns.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
for tool in xscreensaver xscreensaver-command; do
  command -v "$tool" >/dev/null || die "$tool is not installed (Debian package xscreensaver)"
done
start_xvfb 640x480

AS_USER=()
[ "$(id -u)" = 0 ] && AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
as_user() { "${AS_USER[@]}" "$@"; }
DAEMON_HOME="$WORK/daemon-home"
if [ "$(id -u)" = 0 ]; then
  # nobody cannot reach into a build tree below a private folder (a clone in
  # a mktemp -d): its home and its copy of the program live in a folder of
  # their own that anyone may enter, removed with the rest.
  SHARED=$(mktemp -d /tmp/kal-daemon.XXXXXX) || die "cannot make a folder for the daemon"
  trap 'rm -rf "$SHARED"; cleanup' EXIT
  chmod 755 "$SHARED"
  cp "$KALVESSA" "$SHARED/kalvessa" || die "cannot copy $KALVESSA"
  chmod 755 "$SHARED/kalvessa"
  KALVESSA=$SHARED/kalvessa
  DAEMON_HOME=$SHARED/home
fi
mkdir -p "$DAEMON_HOME/.config" "$DAEMON_HOME/runtime"
chmod 700 "$DAEMON_HOME/runtime"
cat >"$DAEMON_HOME/.xscreensaver" <<EOT
mode:		one
selected:	0
lock:		False
splash:		False
fade:		False
unfade:		False
dpmsEnabled:	False
grabDesktopImages:	False
timeout:	1:00:00
programs:	\\
		"Kalvessa" $KALVESSA --root	\\n\\

EOT
[ "$(id -u)" = 0 ] && chown -R nobody:nogroup "$DAEMON_HOME"
export HOME="$DAEMON_HOME" XDG_CONFIG_HOME="$DAEMON_HOME/.config" XDG_RUNTIME_DIR="$DAEMON_HOME/runtime"

log "the daemon, our program its only one"
# A session of its own: what the daemon starts is found by that session's id.
(cd "$DAEMON_HOME" && exec setsid "${AS_USER[@]}" xscreensaver -verbose >"$WORK/daemon.log" 2>&1) &
DAEMON_PID=$!
STARTED_PIDS+=("$DAEMON_PID")
poll 20 "as_user xscreensaver-command -version >/dev/null 2>&1" || die "the daemon did not come up: $(cat "$WORK/daemon.log")"

# ours: the kalvessa process in the daemon's session (daemon -> xscreensaver-gfx -> kalvessa).
ours() { pgrep -s "$DAEMON_PID" -x kalvessa; }

log "activated: kalvessa runs under the daemon and draws the swarm"
as_user xscreensaver-command -activate >/dev/null
# shellcheck disable=SC2016  # evaluated by poll
poll 20 '[ -n "$(ours)" ]' || fail "no kalvessa under the daemon: $(grep -i -e forked -e kalvessa -e root "$WORK/daemon.log")"
PID=$(ours)
if [ -n "$PID" ]; then
  STARTED_PIDS+=("$PID")
  GFX=$(ps -o ppid= -p "$PID" | tr -d ' ')
  STARTED_PIDS+=("$GFX")
  echo "kalvessa's parent: $(ps -o comm= -p "$GFX")"
  echo "kalvessa: $(tr '\0' ' ' <"/proc/$PID/cmdline")"
  tr '\0' '\n' <"/proc/$PID/environ" | grep -q '^XSCREENSAVER_WINDOW=' || fail "no XSCREENSAVER_WINDOW from the daemon"
  sleep 2
  screenshot daemon
  only_saver_colours daemon || fail "the screen shows more than the swarm"
  YELLOW=$(count_colour daemon FAFA00)
  echo "figure: $YELLOW yellow pixels on the 640x480 screen"
  [ "$YELLOW" -gt 0 ] || fail "no yellow particle on the screen"

  log "deactivated: the daemon's SIGTERM ends kalvessa"
  as_user xscreensaver-command -deactivate >/dev/null
  poll 5 "! kill -0 $PID 2>/dev/null" || fail "kalvessa still runs after the deactivation"
fi
# (A verbose daemon logs an exit 0 after its SIGTERM as "exited abnormally
# with status 0": its own programs die of the signal. Not a failure.)
grep -i -e crashed -e "did not die" -e mysterious "$WORK/daemon.log" && fail "the daemon saw kalvessa fail"
as_user xscreensaver-command -exit >/dev/null
finish
