#!/bin/bash
# MATE's saver (mate-screensaver) with our installed theme entry as its one
# theme: on activation it runs the entry's program, the swarm is on screen; on
# deactivation our process is gone within 2 s.
# The daemon runs a theme only when its program lies in XScreenSaver's folder
# (/usr/libexec/xscreensaver): an entry in a private prefix is found through
# XDG_DATA_DIRS but not run. So the build is installed with the prefix /usr
# into a folder of the test's own, and that folder's usr is laid over /usr
# (overlayfs) in a mount namespace of the daemon's own: the daemon sees the
# installed files where the .deb puts them, nothing else on the machine does.
# That needs root (it then runs the daemon as nobody): skipped (77) otherwise.
# Needs BUILD (this build folder).
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${BUILD:?BUILD must name the build folder}"
for tool in mate-screensaver mate-screensaver-command gsettings dbus-run-session unshare setpriv; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: laying the install over /usr in a private mount namespace needs root"
  exit 77
fi
umask 022

log "the build installed with the prefix /usr into the test's folder"
ROOT=$WORK/root
DESTDIR=$ROOT cmake --install "$BUILD" --prefix /usr >"$WORK/install.log" 2>&1 ||
  die "cmake --install failed: $(cat "$WORK/install.log")"
ENTRY=usr/share/applications/screensavers/kalvessa.desktop
[ -f "$ROOT/$ENTRY" ] || die "no theme entry installed: $(grep -i screensaver "$WORK/install.log")"
grep '^Exec=' "$ROOT/$ENTRY"
unshare -m --propagation private mount -t overlay overlay -o "lowerdir=$ROOT/usr:/usr" /usr 2>"$WORK/mount.log" || {
  echo "SKIP: no overlay mount in a private namespace here: $(cat "$WORK/mount.log")"
  exit 77
}

# nobody's home and the daemon's log, in a folder nobody can enter.
SHARED=$(mktemp -d /tmp/kal-mate.XXXXXX) || die "cannot make a folder for the daemon"
chmod 755 "$SHARED"
DAEMON_HOME=$SHARED/home
mkdir -p "$DAEMON_HOME/.config" "$DAEMON_HOME/.cache" "$DAEMON_HOME/.local/share" "$DAEMON_HOME/runtime"
chmod 700 "$DAEMON_HOME/runtime"
chown -R nobody:nogroup "$DAEMON_HOME"
DAEMON_PID=
# shellcheck disable=SC2317  # run by the trap
end_daemon() {
  # Everything the daemon's session holds: its bus, dconf, the theme.
  [ -n "$DAEMON_PID" ] && pkill -9 -s "$DAEMON_PID" 2>/dev/null
  rm -rf "$SHARED"
  cleanup
}
trap end_daemon EXIT

start_xvfb 640x480
# The session: a bus of its own (dbus-run-session), the theme chosen through
# GSettings (dconf, on that bus), then the daemon in the foreground. The bus's
# address goes to a file, for mate-screensaver-command from outside.
cat >"$SHARED/session.sh" <<'EOT'
set -e
echo "$DBUS_SESSION_BUS_ADDRESS" >"$HOME/bus"
gsettings set org.mate.screensaver mode single
gsettings set org.mate.screensaver themes "['screensavers-kalvessa']"
gsettings set org.mate.screensaver lock-enabled false
gsettings set org.mate.screensaver idle-activation-enabled false
exec mate-screensaver --no-daemon --debug
EOT
chmod 644 "$SHARED/session.sh"
DAEMON_ENV=(env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" HOME="$DAEMON_HOME" XDG_CONFIG_HOME="$DAEMON_HOME/.config"
  XDG_CACHE_HOME="$DAEMON_HOME/.cache" XDG_DATA_HOME="$DAEMON_HOME/.local/share"
  XDG_RUNTIME_DIR="$DAEMON_HOME/runtime" NO_AT_BRIDGE=1)
AS_NOBODY=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

log "mate-screensaver, our theme its only one"
# A session of its own: what the daemon starts is found by that session's id.
# shellcheck disable=SC2016  # expanded by the namespace's shell
(cd "$DAEMON_HOME" && exec setsid unshare -m --propagation private sh -c \
  'mount -t overlay overlay -o "lowerdir=$1/usr:/usr" /usr && shift && exec "$@"' sh "$ROOT" \
  "${AS_NOBODY[@]}" "${DAEMON_ENV[@]}" dbus-run-session -- sh "$SHARED/session.sh" >"$WORK/daemon.log" 2>&1) &
DAEMON_PID=$!
STARTED_PIDS+=("$DAEMON_PID")
command_() { "${AS_NOBODY[@]}" "${DAEMON_ENV[@]}" DBUS_SESSION_BUS_ADDRESS="$(cat "$DAEMON_HOME/bus")" mate-screensaver-command "$@"; }
# shellcheck disable=SC2016  # evaluated by poll
poll 30 '[ -s "$DAEMON_HOME/bus" ] && command_ --query >/dev/null 2>&1' ||
  die "the daemon did not come up: $(tail -20 "$WORK/daemon.log")"

ours() { pgrep -s "$DAEMON_PID" -x kalvessa; }

log "activated: the theme's program runs under the daemon and draws the swarm"
command_ --activate >/dev/null
# shellcheck disable=SC2016  # evaluated by poll
poll 20 '[ -n "$(ours)" ]' || fail "no kalvessa under the daemon: $(grep -i -e 'command for job' -e kalvessa "$WORK/daemon.log")"
PID=$(ours)
if [ -n "$PID" ]; then
  STARTED_PIDS+=("$PID")
  echo "kalvessa's parent: $(ps -o comm= -p "$(ps -o ppid= -p "$PID" | tr -d ' ')")"
  cmdline=$(tr '\0' ' ' <"/proc/$PID/cmdline")
  echo "kalvessa: $cmdline"
  [ "$cmdline" = "/usr/libexec/xscreensaver/kalvessa --root " ] || fail "the daemon ran \"$cmdline\""
  window=$(tr '\0' '\n' <"/proc/$PID/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
  echo "XSCREENSAVER_WINDOW=$window"
  [ -n "$window" ] || fail "no XSCREENSAVER_WINDOW from the daemon"
  sleep 2
  screenshot daemon_mate
  only_saver_colours daemon_mate || fail "the screen shows more than the swarm"
  YELLOW=$(count_colour daemon_mate FAFA00)
  echo "figure: $YELLOW yellow pixels, $(trail_pixels daemon_mate) trail pixels on the 640x480 screen"
  [ "$YELLOW" -gt 0 ] || fail "no yellow particle on the screen"

  log "deactivated: kalvessa is gone within 2 s"
  command_ --deactivate >/dev/null
  start=$(date +%s%N)
  if poll 3 "! alive $PID"; then
    ms=$((($(date +%s%N) - start) / 1000000))
    echo "figure: gone ${ms} ms after --deactivate"
    [ "$ms" -le 2000 ] || fail "kalvessa took ${ms} ms to end (2 s at most)"
  else
    fail "kalvessa still runs 3 s after the deactivation"
  fi
fi
command_ --exit >/dev/null 2>&1
# Its end ends the session's bus; whatever is left, end_daemon ends.
poll 10 "! kill -0 $DAEMON_PID 2>/dev/null" || fail "the daemon did not end on --exit"
wait "$DAEMON_PID" 2>/dev/null
finish
