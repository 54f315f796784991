#!/bin/bash
# A save the settings dialog (kalvessa /c) cannot make, told on the screen:
# the settings folder is a read-only bind mount in a mount namespace of the
# program's own. "設定" brings up a second window captioned "Kalvessaの設定",
# transient for the dialog (WM_TRANSIENT_FOR) and centred on it, whose pixels
# equal kal-render --message with the text stderr carries (the file and the
# system's reason); a click on the dialog's ｷｬﾝｾﾙ meanwhile does nothing.
# Enter dismisses it, the program then ends with exit 0 and the file is as it
# was. With Xft.dpi 192 it shows twice as large and Space dismisses it. Under
# openbox it is above the dialog and has the keyboard: Escape dismisses it,
# and so does the frame's close button.
# Needs KAL_RENDER (kal-render) besides lib.sh's programs, and root for the
# mount namespace (else SKIP, exit 77).
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${KAL_RENDER:?KAL_RENDER must name kal-render}"
for tool in unshare mount xprop; do command -v "$tool" >/dev/null || die "$tool is not installed"; done
CAPTION="Kalvessaの設定"
INI_DIR=$XDG_CONFIG_HOME/kalvessa
INI=$INI_DIR/Kalvessa.ini
KEY=$(printf '\xca\xdf\xb0\xc3\xa8\xb8\xd9\x82\xcc\x90\x94') # the key in code page 932
mkdir -p "$INI_DIR"
printf '[Section]\r\n%s= 250\r\n' "$KEY" >"$INI"
cp "$INI" "$WORK/ini.before"

# in_readonly COMMAND ARGS...: runs the command where the settings folder is
# read-only; nobody outside the command's own mount namespace sees that.
in_readonly() {
  # shellcheck disable=SC2016  # the inner shell expands them
  unshare -m --propagation private sh -c \
    'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$@"' "$INI_DIR" "$@"
}
if ! in_readonly true 2>/dev/null; then
  echo "SKIP: no mount namespace with a read-only bind mount here (needs root)"
  exit 77
fi
# shellcheck disable=SC2016  # the inner shell expands it
in_readonly sh -c 'touch "$0/probe"' "$INI_DIR" 2>/dev/null && die "the read-only folder can be written"
[ -e "$INI_DIR/probe" ] && die "the test's read-only mount leaked out"

start_xvfb 1280x1024

# refuse K: starts /c in the read-only folder, waits for its dialog (shown K
# times larger) and clicks 設定; the message window's description in
# $WORK/message, its geometry in MW MH MX MY, the dialog's in DW DH DX DY.
refuse() {
  local k=$1 geometry
  in_readonly "$KALVESSA" /c >"$WORK/saver.out" 2>&1 &
  SAVER_PID=$!
  STARTED_PIDS+=("$SAVER_PID")
  "$XPROBE" wait "$CAPTION" "$WINDOW_TIMEOUT" || {
    fail "no dialog ($(cat "$WORK/saver.out"))"
    kill -9 "$SAVER_PID" 2>/dev/null
    wait "$SAVER_PID" 2>/dev/null
    return 1
  }
  DIALOG_ID=$("$XPROBE" window "$CAPTION" | awk '$1 == "id" { print $2 }')
  geometry=$("$XPROBE" window "$CAPTION" | awk '$1 == "geometry" { print $2 }')
  IFS='x+' read -r DW DH DX DY <<<"$geometry"
  sleep 0.5 # the first paint done before the click
  xdotool mousemove $((DX + 352 * k)) $((DY + 246 * k)) click 1
  "$XPROBE" owned "$DIALOG_ID" "$WINDOW_TIMEOUT" >"$WORK/message" || {
    fail "no window transient for the dialog after 設定 (stderr: $(cat "$WORK/saver.out"))"
    kill -9 "$SAVER_PID" 2>/dev/null
    wait "$SAVER_PID" 2>/dev/null
    return 1
  }
  grep -qx "caption $CAPTION" "$WORK/message" || fail "the message window: $(head -1 "$WORK/message")"
  MESSAGE_ID=$(awk '$1 == "id" { print $2 }' "$WORK/message")
  geometry=$(awk '$1 == "geometry" { print $2 }' "$WORK/message")
  IFS='x+' read -r MW MH MX MY <<<"$geometry"
  # What stderr says, without its prefix: the text the window shows.
  TEXT=$(sed -n "/^Kalvessa: $CAPTION: /,\$p" "$WORK/saver.out" | sed "1s/^Kalvessa: $CAPTION: //")
}

# ends_cleanly LABEL: the program ends with exit 0, the file unchanged, the
# refusal said once on stderr.
ends_cleanly() {
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE after the message ($(cat "$WORK/saver.out"))"
  cmp -s "$INI" "$WORK/ini.before" || fail "$1: the settings file changed"
  [ "$(grep -c "^Kalvessa: $CAPTION: " "$WORK/saver.out")" = 1 ] || fail "$1: stderr: $(cat "$WORK/saver.out")"
}

# shows_render NAME SCALE: the message window's client area on the screen is
# kal-render's picture of the text (SCALE times larger).
shows_render() {
  local n
  "$KAL_RENDER" --message "$TEXT" --png "$WORK/$1-render.png" || { fail "$1: kal-render --message failed"; return; }
  convert "$WORK/$1-render.png" -scale "$((100 * $2))%" "$WORK/$1-expected.png"
  [ "$(identify -format %wx%h "$WORK/$1-expected.png")" = "${MW}x$MH" ] ||
    fail "$1: the window is ${MW}x$MH, kal-render's picture $(identify -format %wx%h "$WORK/$1-expected.png")"
  screenshot "$1-screen"
  convert "$WORK/$1-screen.png" -crop "${MW}x$MH+$MX+$MY" +repage "$WORK/$1.png"
  n=$(compare -metric AE "$WORK/$1.png" "$WORK/$1-expected.png" "$WORK/$1-diff.png" 2>&1)
  [ "$n" = 0 ] || fail "$1: $n pixels differ from kal-render --message (see $1-diff.png)"
}

log "設定 with the folder read-only: a message window over the dialog, centred, kal-render's picture"
if refuse 1; then
  IFS=$'\n' read -r -d '' heading file reason <<<"$TEXT"
  [ "$heading" = "設定を保存できませんでした。" ] || fail "the heading reads '$heading'"
  [ "$file" = "$INI" ] || fail "the file reads '$file', not $INI"
  [ -n "$reason" ] || fail "no reason given: $TEXT"
  log "said: $(tr '\n' '|' <<<"$TEXT")"
  # Without a window manager the client areas are the windows: exactly centred.
  off_x=$((2 * MX + MW - 2 * DX - DW)) off_y=$((2 * MY + MH - 2 * DY - DH))
  if [ "${off_x#-}" -gt 1 ] || [ "${off_y#-}" -gt 1 ]; then
    fail "the message ${MW}x$MH+$MX+$MY is not centred on the dialog ${DW}x$DH+$DX+$DY"
  fi
  shows_render message 1

  log "the dialog takes no click while the message is up"
  [ $((DY + 246)) -ge $((MY + MH)) ] || fail "the message covers ｷｬﾝｾﾙ: the test cannot click it"
  xdotool mousemove $((DX + 452)) $((DY + 246)) click 1
  sleep 1
  alive "$SAVER_PID" || fail "a click on ｷｬﾝｾﾙ under the message ended the program"
  "$XPROBE" owned "$DIALOG_ID" 1 >/dev/null || fail "a click on the dialog took the message away"

  log "Enter dismisses it; the program ends as after the system's message box"
  xdotool key Return
  ends_cleanly Enter
fi

log "Xft.dpi 192: twice as large, every pixel a block; Space dismisses it"
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t192\n')"
if refuse 2; then
  shows_render hidpi 2
  xdotool key space
  ends_cleanly Space
fi
xprop -root -remove RESOURCE_MANAGER

log "under openbox: above the dialog with the keyboard; Escape, and the frame's close button, dismiss it"
start_openbox
if refuse 1; then
  shows_render openbox 1
  [ "$(printf '0x%x' "$(xdotool getwindowfocus)")" = "$MESSAGE_ID" ] ||
    fail "openbox: the keyboard is with $(xdotool getwindowfocus), not the message $MESSAGE_ID"
  xdotool key Escape
  ends_cleanly Escape
fi
if refuse 1; then
  "$XPROBE" close-id "$MESSAGE_ID" || fail "cannot close the message window"
  ends_cleanly "the close button"
fi
finish
