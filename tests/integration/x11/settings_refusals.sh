#!/bin/bash
# Saves that must not happen, with real clicks on 設定 in /c.
#  A  Kalvessa.ini of exactly 1 MiB holding 250 without the blank: the save
#     would make it one byte larger than the reader takes. It is refused, the
#     message on stderr names the file and both sizes, the file stays byte for
#     byte, and the next /c shows 250.
#  B  Kalvessa.ini of mode 0444 (root runs this test, and root may write any
#     file: only the mode says read-only): refused with a message naming the
#     file, the file unchanged and still 0444.
#  C  A file that is replaced keeps its mode and owner: 0640, nobody's.
# Needs KAL_RENDER (kal-render) besides lib.sh's programs.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${KAL_RENDER:?KAL_RENDER must name kal-render}"
start_xvfb 1024x768
CAPTION="Kalvessaの設定"
INI=$XDG_CONFIG_HOME/kalvessa/Kalvessa.ini
KEY=$(printf '\xca\xdf\xb0\xc3\xa8\xb8\xd9\x82\xcc\x90\x94') # the key in code page 932
LIMIT=1048576
mkdir -p "$(dirname "$INI")"
xdotool mousemove 5 5

# open_dialog: /c's window; its left top in DX, DY.
open_dialog() {
  start_saver /c
  "$XPROBE" wait "$CAPTION" "$WINDOW_TIMEOUT" || { fail "no dialog window ($(cat "$WORK/saver.out"))"; return 1; }
  local geometry
  geometry=$("$XPROBE" window "$CAPTION" | awk '$1 == "geometry" { print $2 }')
  IFS=+ read -r _ DX DY <<<"$geometry"
  DIALOG=$("$XPROBE" window "$CAPTION" | awk '$1 == "id" { print $2 }')
  sleep 0.5 # the first paint done before a click
}
click_at() { xdotool mousemove $((DX + $1)) $((DY + $2)) click 1; }
# save NAME [refused]: 設定 clicked; a refused save is told in the message
# window over the dialog, which Enter dismisses.
save() {
  click_at 352 246
  if [ "${2:-}" = refused ]; then
    if "$XPROBE" owned "$DIALOG" "$WINDOW_TIMEOUT" >/dev/null; then
      xdotool key Return
    else
      fail "$1: no message window over the dialog"
    fi
  fi
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE after 設定"
  SAID=$(cat "$WORK/saver.out")
}
# label_shows NAME COUNT: the number label equals kal-render's for COUNT.
label_shows() {
  [ -f "$WORK/ref-$2.png" ] || "$KAL_RENDER" --dialog --count "$2" --png "$WORK/ref-$2.png" || return 1
  convert "$WORK/ref-$2.png" -crop 40x17+230+54 +repage "$WORK/ref-$2-label.png"
  for _ in $(seq 1 50); do
    screenshot "$1"
    convert "$WORK/$1.png" -crop "40x17+$((DX + 230))+$((DY + 54))" +repage "$WORK/$1-label.png"
    [ "$(compare -metric AE "$WORK/$1-label.png" "$WORK/ref-$2-label.png" null: 2>&1)" = 0 ] && return 0
    sleep 0.2
  done
  fail "$1: the label does not show $2 (see $1.png)"
}

log "A: a 1 MiB file that the save would make one byte larger"
{
  printf '[Section]\r\n%s=250\r\n;' "$KEY"
  head -c $((LIMIT - 11 - 11 - 6 - 1 - 2)) /dev/zero | tr '\0' x
  printf '\r\n'
} >"$INI"
[ "$(stat -c %s "$INI")" = "$LIMIT" ] || die "A: the file is $(stat -c %s "$INI") bytes"
cp "$INI" "$WORK/before-a.ini"
if open_dialog; then
  label_shows A-loaded 250
  save A refused
  log "A: said: $(tr '\n' '|' <<<"$SAID")"
  for part in "$INI" "$LIMIT" "$((LIMIT + 1))"; do
    [[ $SAID == *"$part"* ]] || fail "A: the message does not name '$part'"
  done
fi
cmp -s "$INI" "$WORK/before-a.ini" || fail "A: the file changed ($(stat -c %s "$INI") bytes)"
if open_dialog; then
  label_shows A-next 250
  click_at 450 246 # ｷｬﾝｾﾙ
  wait_exit "$SAVER_PID"
fi

log "B: a file of mode 0444"
printf '[Section]\r\n%s=250\r\n' "$KEY" >"$INI" # 設定 would store " 250": other bytes
chmod 444 "$INI"
cp -p "$INI" "$WORK/before-b.ini"
if open_dialog; then
  save B refused
  log "B: said: $(tr '\n' '|' <<<"$SAID")"
  [[ $SAID == *"$INI"* && $SAID == *"読み取り専用"* ]] || fail "B: the message does not name the file and say read-only"
fi
cmp -s "$INI" "$WORK/before-b.ini" || fail "B: the file changed: $(od -c "$INI" | head -3)"
[ "$(stat -c %a "$INI")" = 444 ] || fail "B: the file is now mode $(stat -c %a "$INI")"

log "C: a file of mode 0640 of another user's is replaced and keeps both"
rm -f "$INI"
printf '[Section]\r\n%s=250\r\n' "$KEY" >"$INI"
chmod 640 "$INI"
owner=$(id -u):$(id -g)
[ "$(id -u)" = 0 ] && chown nobody:nogroup "$INI" && owner=$(id -u nobody):$(id -g nobody)
if open_dialog; then
  save C
  [ -z "$SAID" ] || fail "C: it said: $SAID"
fi
[ "$(tr -d '\r' <"$INI" | tail -1)" = "$KEY= 250" ] || fail "C: the file was not replaced: $(od -c "$INI" | head -3)"
[ "$(stat -c '%a %u:%g' "$INI")" = "640 $owner" ] || fail "C: mode and owner now $(stat -c '%a %u:%g' "$INI")"
finish
