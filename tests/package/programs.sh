# shellcheck shell=bash
# check_installed_programs: the installed kalvessa, found on PATH, on a private
# Xvfb: `kalvessa /c` shows its dialog; `kalvessa --root` draws the swarm on
# the root window and ends with 0 on SIGTERM, as the daemon ends it.
# Sourced after tests/integration/x11/lib.sh (start_xvfb, poll, XPROBE, ...).

# The trail's golds on the root window (black alone: nothing drawn).
root_shows_swarm() {
  import -window root "$WORK/root.png" 2>/dev/null || return 1
  convert "$WORK/root.png" -format %c histogram:info: | grep -Eqi "#(${TRAIL_COLOURS// /|})\b"
}

check_installed_programs() {
  local found pid
  found=$(command -v kalvessa) || { fail "kalvessa is not on PATH"; return; }
  [ "$found" -ef "$KALVESSA" ] || fail "PATH finds $found, not $KALVESSA"
  start_xvfb 800x600

  kalvessa /c >"$WORK/dialog.out" 2>&1 &
  pid=$!
  STARTED_PIDS+=("$pid")
  if "$XPROBE" wait "Kalvessaの設定" "$WINDOW_TIMEOUT"; then
    log "kalvessa /c shows the settings dialog"
  else
    fail "kalvessa /c showed no dialog: $(cat "$WORK/dialog.out")"
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null

  kalvessa --root >"$WORK/root.out" 2>&1 &
  pid=$!
  STARTED_PIDS+=("$pid")
  if poll 20 root_shows_swarm; then
    log "kalvessa --root draws the swarm on the root window"
  else
    fail "kalvessa --root drew no swarm: $(cat "$WORK/root.out")"
  fi
  kill -TERM "$pid" 2>/dev/null
  wait_exit "$pid"
  [ "$EXIT_CODE" = 0 ] || fail "kalvessa --root ended with $EXIT_CODE on SIGTERM (0 expected)"
}

# The files the package installs, without folders, as `tar -t` names them.
expected_files() {
  cat <<'LIST'
./usr/bin/kalvessa
./usr/libexec/xscreensaver/kalvessa
./usr/share/applications/kalvessa.desktop
./usr/share/applications/screensavers/kalvessa.desktop
./usr/share/doc/kalvessa/README.md
./usr/share/doc/kalvessa/changelog.gz
./usr/share/doc/kalvessa/copyright
./usr/share/icons/hicolor/128x128/apps/kalvessa.png
./usr/share/icons/hicolor/256x256/apps/kalvessa.png
./usr/share/icons/hicolor/32x32/apps/kalvessa.png
./usr/share/icons/hicolor/48x48/apps/kalvessa.png
./usr/share/icons/hicolor/64x64/apps/kalvessa.png
./usr/share/man/man6/kalvessa.6.gz
./usr/share/xscreensaver/config/kalvessa.xml
LIST
}
