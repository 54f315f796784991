#!/bin/bash
# Settings files that are not what they seem: a FIFO, a link to /dev/zero or
# a 3 GB file as Kalvessa.ini do not hold the saver back: /s comes up with
# the default count and a key ends it, and each stays as it was. 設定 in /c
# with Kalvessa.ini a link to a device refuses the save (the reason goes to
# stderr and to the message window over the dialog, which Enter dismisses)
# and leaves the link and the device alone.
# The programs run with at most 4 GB of address space, so a build that reads
# without a limit fails here instead of taking the machine's memory.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
start_xvfb 640x480
INI_DIR=$XDG_CONFIG_HOME/kalvessa
INI=$INI_DIR/Kalvessa.ini
mkdir -p "$INI_DIR"
ulimit -v 4000000

kind() { stat -c %F "$1"; }

# saver_comes_up LABEL: /s shows trails within the time limit and a key ends it.
saver_comes_up() {
  start_saver /s
  if wait_window; then
    sleep 1
    screenshot "$1"
    only_saver_colours "$1" || fail "$1: unexpected colours"
    [ "$(trail_pixels "$1")" -gt 50 ] || fail "$1: nothing drawn"
    xdotool key space
    wait_exit "$SAVER_PID"
    [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE ($(head -c 300 "$WORK/saver.out"))"
  else
    fail "$1: no saver window ($(head -c 300 "$WORK/saver.out"))"
    kill -9 "$SAVER_PID" 2>/dev/null
  fi
}

log "Kalvessa.ini is a FIFO nobody writes to"
mkfifo "$INI"
saver_comes_up fifo
[ "$(kind "$INI")" = fifo ] || fail "fifo: it is now a $(kind "$INI")"

log "Kalvessa.ini is a link to /dev/zero"
rm -f "$INI"
ln -s /dev/zero "$INI"
saver_comes_up dev-zero

log "Kalvessa.ini is a 3 GB file (sparse)"
rm -f "$INI"
truncate -s 3G "$INI"
saver_comes_up 3GB
[ "$(stat -c %s "$INI")" = $((3 << 30)) ] || fail "3GB: its size changed"
rm -f "$INI"

if mknod "$WORK/null" c 1 3 2>/dev/null; then
  log "設定 with Kalvessa.ini a link to a device"
  ln -s "$WORK/null" "$INI"
  CAPTION="Kalvessaの設定"
  start_saver /c
  if "$XPROBE" wait "$CAPTION" "$WINDOW_TIMEOUT"; then
    geometry=$("$XPROBE" window "$CAPTION" | awk '$1 == "geometry" { print $2 }')
    dialog=$("$XPROBE" window "$CAPTION" | awk '$1 == "id" { print $2 }')
    IFS=+ read -r _ x y <<<"$geometry"
    sleep 0.5 # the first paint done before the click
    xdotool mousemove $((x + 352)) $((y + 246)) click 1
    if "$XPROBE" owned "$dialog" "$WINDOW_TIMEOUT" >/dev/null; then
      xdotool key Return
    else
      fail "device: no message window over the dialog"
    fi
    wait_exit "$SAVER_PID"
    [ "$EXIT_CODE" = 0 ] || fail "device: exit code $EXIT_CODE"
    grep -q "$INI" "$WORK/saver.out" || fail "device: the refusal was not reported: $(cat "$WORK/saver.out")"
    log "said: $(tr '\n' ' ' <"$WORK/saver.out")"
  else
    fail "device: no settings window"
  fi
  [ -L "$INI" ] || fail "device: the link was replaced by a $(kind "$INI")"
  [ -c "$WORK/null" ] || fail "device: the device is now a $(kind "$WORK/null")"
  leftovers=$(find "$WORK" -name '*.tmp-*' | wc -l)
  [ "$leftovers" = 0 ] || fail "device: $leftovers temporary files left"
else
  log "no device node could be made (not root): the device case is skipped"
fi
finish
