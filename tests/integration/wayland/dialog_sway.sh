#!/bin/bash
# The settings dialog (kalvessa /c) natively on headless sway, without
# XWayland: a fixed 517 x 281 xdg_toplevel titled "Kalvessaの設定" that sway
# floats and frames itself (server-side decoration); its pixels equal
# kal-render --dialog outside the moving banner; the hand over the "設定"
# button (the program's .cur, hot spot kept), the arrow elsewhere; a click on
# the bar's right arrow and the End key move the count, "設定" stores it and
# ends. On an output at scale 2 it shows twice as large, each pixel a 2 x 2
# block, takes clicks where it shows them, and the compositor's close ends it
# storing nothing.
# Needs KALVESSA and KAL_RENDER besides lib.sh's programs.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${KALVESSA:?KALVESSA must name the kalvessa program}"
: "${KAL_RENDER:?KAL_RENDER must name kal-render}"
command -v wtype >/dev/null || skip "wtype is not installed"
K=$(install_program "$KALVESSA")
HAND_CUR="$(dirname "$0")/../../../assets/pictures/hand-pointer.cur"
CAPTION="Kalvessaの設定"
KEY=$(printf '\xca\xdf\xb0\xc3\xa8\xb8\xd9\x82\xcc\x90\x94') # the key in code page 932
INI=$USER_HOME/.config/kalvessa/Kalvessa.ini
# The banner box moves 64 times a second: compared apart.
BANNER="rectangle 20,100 492,213"

SWAY_CONFIG_EXTRA='default_floating_border normal' start_sway 1280x720
start_pointer

store() {
  mkdir -p "$(dirname "$INI")"
  printf '[Section]\r\n%s= %s\r\n' "$KEY" "$1" >"$INI"
  [ ${#AS_USER[@]} -gt 0 ] && chown -R "$TEST_USER:$(id -g "$TEST_USER")" "$USER_HOME/.config"
  cp "$INI" "$WORK/ini.before"
}
# open_dialog: starts /c and waits for its window; the client area's corner
# (logical units) in DX, DY; the window's node in NODE.
open_dialog() {
  sway_msg 'seat seat0 cursor set 5 5' >/dev/null
  start_client dialog "$K" /c
  PID=$CLIENT_PID
  local query='[.. | objects | select(.app_id? == "kalvessa")][0]'
  poll 20 "sway_msg -t get_tree | jq -e '$query | .geometry.width > 0' >/dev/null" || { fail "no dialog window"; return 1; }
  sleep 0.5
  NODE=$(sway_msg -t get_tree | jq -c "$query")
  DX=$(jq '.rect.x + .window_rect.x' <<<"$NODE")
  DY=$(jq '.rect.y + .window_rect.y' <<<"$NODE")
}
at() { echo "$((DX + $1)) $((DY + $2))"; }
point() { sway_msg "seat seat0 cursor set $(at "$1" "$2")" >/dev/null; }
click() {
  point "$1" "$2"
  sway_msg 'seat seat0 cursor press button1' >/dev/null
  sway_msg 'seat seat0 cursor release button1' >/dev/null
}
# client NAME [SCALE]: the client area from a fresh shot of the output.
client() {
  local k=${2:-1}
  screenshot "$1-screen" HEADLESS-1
  convert "$WORK/shots/$1-screen.png" -alpha off -crop "$((517 * k))x$((281 * k))+$((DX * k))+$((DY * k))" +repage \
    "$WORK/$1.png"
}
reference() { [ -f "$WORK/ref-$1.png" ] || "$KAL_RENDER" --dialog --count "$1" --png "$WORK/ref-$1.png"; }
# render_differs NAME COUNT [REGION]: pixels of the client area (or of
# REGION, WxH+X+Y) that differ from kal-render's for COUNT, the banner left out.
render_differs() {
  local region=${3:-}
  reference "$2" || return 1
  for f in "$1" "ref-$2"; do
    convert "$WORK/$f.png" -alpha off -fill black -draw "$BANNER" ${region:+-crop "$region" +repage} "$WORK/$f-cmp.png"
  done
  compare -metric AE "$WORK/$1-cmp.png" "$WORK/ref-$2-cmp.png" null: 2>&1
}
LABEL=40x17+230+54
label_shows() {
  local end=$((SECONDS + 10))
  while :; do
    client "$1"
    [ "$(render_differs "$1" "$2" "$LABEL")" = 0 ] && return 0
    [ "$SECONDS" -ge "$end" ] && break
    sleep 0.2
  done
  fail "$1: the label does not show $2"
}
ini_unchanged() { cmp -s "$INI" "$WORK/ini.before" || fail "$1: the settings file changed: $(od -c "$INI" | head -3)"; }

log "a stored 250: a fixed, framed toplevel drawn as kal-render draws it"
store 250
if open_dialog; then
  [ "$(jq -r '.name' <<<"$NODE")" = "$CAPTION" ] || fail "title: $(jq -r '.name' <<<"$NODE")"
  [ "$(jq -r '.type' <<<"$NODE")" = floating_con ] || fail "sway does not float it (fixed size): $NODE"
  [ "$(jq -r '"\(.geometry.width)x\(.geometry.height)"' <<<"$NODE")" = 517x281 ] || fail "size: $NODE"
  # Asked for server-side decoration, sway frames it as configured ("csd" for a window drawing its own).
  [ "$(jq -r '.border' <<<"$NODE")" = normal ] || fail "no frame of sway's: border $(jq -r '.border' <<<"$NODE")"
  client loaded
  n=$(render_differs loaded 250)
  [ "$n" = 0 ] || fail "$n pixels differ from kal-render --dialog --count 250 outside the banner"

  log "the hand over 設定, with its hot spot; the arrow elsewhere"
  convert "$HAND_CUR" "$WORK/hand.png" || fail "cannot read the hand's .cur"
  # pointer_shot NAME X Y: with the pointer at (X, Y), whether the shot shows
  # the hand with its hot spot (12, 1) there: "hand DX,DY", else "other".
  # sway draws a pointer it was told to put somewhere up to a pixel up and
  # left of where its clients are told it is (the position's fraction is
  # rounded for them, cut off for the picture): DX, DY are 0 or -1.
  pointer_shot() {
    point "$2" "$3"
    sleep 0.3
    as_user grim -c -o HEADLESS-1 "$WORK/shots/$1-full.png"
    keep_shot "$1-full"
    local x y dx dy
    read -r x y <<<"$(at "$2" "$3")"
    for dy in 0 -1; do
      for dx in 0 -1; do
        local square="32x32+$((x - 12 + dx))+$((y - 1 + dy))"
        convert "$WORK/shots/$1-full.png" -alpha off -crop "$square" +repage "$WORK/$1.png"
        convert "$WORK/shots/loaded-screen.png" -alpha off -crop "$square" +repage \
          "$WORK/hand.png" -composite "$WORK/$1-hand.png"
        if [ "$(compare -metric AE "$WORK/$1.png" "$WORK/$1-hand.png" null: 2>&1)" = 0 ]; then
          echo "hand $dx,$dy"
          return
        fi
      done
    done
    echo other
  }
  seen=$(pointer_shot over-button 350 246)
  echo "over 設定: $seen"
  [ "${seen%% *}" = hand ] || fail "over 設定 the pointer is not the hand at its hot spot (see over-button-full.png)"
  seen=$(pointer_shot over-panel 100 180)
  echo "over the panel: $seen"
  [ "$seen" = other ] || fail "over the panel the pointer is the hand"

  log "the right arrow and the End key move the count; 設定 stores it"
  click 296 40
  label_shows arrow 251
  ini_unchanged "the arrow"
  as_user wtype -s 300 -k End -s 1000 -k End
  label_shows end 500
  click 350 246
  wait_exit "$PID" 10
  [ "$EXIT_CODE" = 0 ] || fail "after 設定: exit code $EXIT_CODE"
  printf '[Section]\r\n%s= 500\r\n' "$KEY" | cmp -s - "$INI" || fail "stored: $(od -c "$INI" | head -3)"
fi

log "a refused save (a read-only file) is told in a window of ours over the dialog; Enter dismisses it, then the program ends"
store 250
chmod 0444 "$INI"
if open_dialog; then
  click 350 246
  views='[.. | objects | select(.app_id? == "kalvessa")] | length'
  poll 10 "[ \"\$(sway_msg -t get_tree | jq '$views')\" = 2 ]" || fail "no message window beside the dialog"
  sway_msg -t get_tree | jq -r '[.. | objects | select(.app_id? == "kalvessa")] | .[] | "view \(.name) \(.type) \(.geometry.width)x\(.geometry.height) focused=\(.focused)"'
  [ "$(sway_msg -t get_tree | jq -r '[.. | objects | select(.app_id? == "kalvessa" and .focused)][0].name')" = "$CAPTION" ] ||
    fail "the focused window is not the message titled $CAPTION"
  screenshot message-screen HEADLESS-1
  as_user wtype -s 300 -k Return
  wait_exit "$PID" 10
  [ "$EXIT_CODE" = 0 ] || fail "after the message: exit code $EXIT_CODE"
  ini_unchanged "the refused save"
  grep -q "^Kalvessa: $CAPTION: 設定を保存できませんでした。" "$WORK/dialog.err" ||
    fail "the refusal is not on stderr: $(cat "$WORK/dialog.err")"
fi
chmod 0644 "$INI"

log "at scale 2: twice as large, every pixel a block, clicks where they show; the compositor's close stores nothing"
sway_msg 'output HEADLESS-1 scale 2' >/dev/null
store 250
if open_dialog; then
  client hidpi 2
  reference 250
  convert "$WORK/hidpi.png" -fill black -draw "rectangle 40,200 985,427" "$WORK/hidpi-cmp.png"
  convert "$WORK/ref-250.png" -scale 200% -fill black -draw "rectangle 40,200 985,427" "$WORK/ref-hidpi.png"
  n=$(compare -metric AE "$WORK/hidpi-cmp.png" "$WORK/ref-hidpi.png" null: 2>&1)
  [ "$n" = 0 ] || fail "scale 2: $n pixels differ from kal-render's dialog shown twice as large"
  click 296 40
  reference 251
  convert "$WORK/ref-251.png" -crop $LABEL +repage "$WORK/label-251.png"
  # shellcheck disable=SC2317  # called through poll
  hidpi_label() {
    client hidpi-click 2
    convert "$WORK/hidpi-click.png" -crop 80x34+460+108 +repage -sample 50% "$WORK/hidpi-label.png"
    [ "$(compare -metric AE "$WORK/hidpi-label.png" "$WORK/label-251.png" null: 2>&1)" = 0 ]
  }
  poll 10 hidpi_label || fail "scale 2: a click on the shown right arrow did not make 251"
  sway_msg '[app_id=kalvessa] kill' >/dev/null
  wait_exit "$PID" 10
  [ "$EXIT_CODE" = 0 ] || fail "after the compositor's close: exit code $EXIT_CODE"
  ini_unchanged "the compositor's close"
fi
[ -s "$WORK/dialog.err" ] && fail "stderr: $(head -3 "$WORK/dialog.err")"
finish
