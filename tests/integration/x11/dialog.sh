#!/bin/bash
# The settings dialog (kalvessa /c) with real input: a centred 517 x 281
# window captioned "Kalvessaの設定" whose pixels equal kal-render --dialog
# (text included: both draw with FreeType) outside the moving banner; the hand
# pointer over the active controls; arrow clicks, a thumb drag and the End key
# move the count and write nothing; "設定" stores it and ends; Enter, Escape
# and a right-click on "ｷｬﾝｾﾙ" store nothing; the link opens the address once
# per press through xdg-open and the dialog stays; a second /c or /s ends at
# once; the banner box shows kal-render's banner at some phase and moves 64
# phases a second; covered and uncovered, the dialog shows the same; with Xft.dpi 192 it shows twice as large, each pixel a 2 x 2 block,
# and takes clicks where it shows them; the frame's close button ends it
# (openbox).
# Needs KAL_RENDER (kal-render) besides lib.sh's programs.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
# shellcheck source=../banner_phase.sh
. "$(dirname "$0")/../banner_phase.sh"
: "${KAL_RENDER:?KAL_RENDER must name kal-render}"
command -v xprop >/dev/null || die "xprop is not installed"
start_xvfb 1280x1024
IFS=x read -r SW SH <<<"$(screen_size)"
CAPTION="Kalvessaの設定"
INI="$XDG_CONFIG_HOME/kalvessa/Kalvessa.ini"
KEY=$(printf '\xca\xdf\xb0\xc3\xa8\xb8\xd9\x82\xcc\x90\x94')  # the key in code page 932
# The banner box moves 64 times a second: compared apart.
BANNER="rectangle 20,100 492,213"

# A stand-in for the desktop's opener: one line per call, its arguments.
mkdir -p "$WORK/bin"
cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s|' "\$@" >>"$WORK/opened.log"
echo >>"$WORK/opened.log"
EOF
chmod +x "$WORK/bin/xdg-open"
export PATH="$WORK/bin:$PATH"

store() {
  mkdir -p "$(dirname "$INI")"
  printf '[Section]\r\n%s= %s\r\n' "$KEY" "$1" >"$INI"
}

# open_dialog [SCALE]: starts /c and waits for its window, centred and SCALE
# (default 1) times the designed size; its left top in DX, DY.
open_dialog() {
  local k=${1:-1} w h
  START_NS=$(date +%s%N)
  start_saver /c
  "$XPROBE" wait "$CAPTION" "$WINDOW_TIMEOUT" || { fail "no dialog window"; return 1; }
  SHOWN_MS=$((($(date +%s%N) - START_NS) / 1000000))
  local geometry
  geometry=$("$XPROBE" window "$CAPTION" | awk '$1 == "geometry" { print $2 }')
  w=$((517 * k)) h=$((281 * k))
  DX=$(((SW - w) / 2)) DY=$(((SH - h) / 2))
  [ "$geometry" = "${w}x$h+$DX+$DY" ] || { fail "dialog geometry $geometry, not ${w}x$h centred"; return 1; }
}

# at X Y: absolute screen position of a client point.
at() { echo "$((DX + $1)) $((DY + $2))"; }
click_at() {  # X Y [BUTTON]
  # shellcheck disable=SC2046  # at's words are the coordinates
  xdotool mousemove $(at "$1" "$2") click "${3:-1}"
}

# client NAME: the dialog's client area from a fresh screenshot.
client() {
  screenshot "$1-screen"
  convert "$WORK/$1-screen.png" -crop "517x281+$DX+$DY" +repage "$WORK/$1.png"
}

# render_differs NAME COUNT [REGION]: how many pixels of the client area (or
# of REGION, WxH+X+Y) differ from what kal-render draws for a stored COUNT,
# the banner left out.
render_differs() {
  local region=${3:-}
  [ -f "$WORK/ref-$2.png" ] || "$KAL_RENDER" --dialog --count "$2" --png "$WORK/ref-$2.png" || return 1
  for f in "$1" "ref-$2"; do
    convert "$WORK/$f.png" -fill black -draw "$BANNER" ${region:+-crop "$region" +repage} "$WORK/$f-cmp.png"
  done
  compare -metric AE "$WORK/$1-cmp.png" "$WORK/ref-$2-cmp.png" "$WORK/$1-diff.png" 2>&1
}
same_as_render() {
  local n
  n=$(render_differs "$@")
  [ "$n" = 0 ] || fail "$1: $n pixels differ from kal-render --dialog --count $2${3:+ in $3}"
}

# label_shows NAME COUNT: the number label reads COUNT (polled: the screen
# follows the input within a moment).
LABEL=40x17+230+54
label_shows() {
  local end=$((SECONDS + 10))
  while :; do
    client "$1"
    [ "$(render_differs "$1" "$2" "$LABEL")" = 0 ] && return 0
    [ "$SECONDS" -ge "$end" ] && break
    sleep 0.2
  done
  fail "$1: the label does not show $2 (see $1.png)"
}

ini_unchanged() { cmp -s "$INI" "$WORK/ini.before" || fail "$1: the settings file changed: $(od -c "$INI" | head -3)"; }

log "a stored 250: centred, captioned, drawn as kal-render draws it"
store 250
cp "$INI" "$WORK/ini.before"
xdotool mousemove 5 5
if open_dialog; then
  echo "figure: native /c shown after ${SHOWN_MS} ms"
  client loaded
  same_as_render loaded 250

  log "the banner shows kal-render's banner at some phase, 64 phases a second"
  banner_index "$WORK/phases" || fail "kal-render --dialog --series failed"
  # banner_at: a screenshot's phase in PHASE (polled past the 29 phases all
  # letters wait at the top, which look alike) and when it was taken in AT_NS.
  banner_at() {
    local end=$((SECONDS + 15))
    PHASE=
    while [ -z "$PHASE" ] && [ "$SECONDS" -le "$end" ]; do
      screenshot banner-screen
      AT_NS=$(date +%s%N)
      convert "$WORK/banner-screen.png" -crop "469x110+$((DX + 22))+$((DY + 102))" +repage "$WORK/banner.png"
      PHASE=$(banner_phase "$WORK/phases" "$WORK/banner.png")
    done
    [ -n "$PHASE" ] || fail "the banner box matches none of kal-render's 310 phases (see banner-screen.png)"
  }
  banner_at
  P1=$PHASE T1=$AT_NS
  sleep 1
  banner_at
  if [ -n "$P1" ] && [ -n "$PHASE" ]; then
    rate=$(banner_rate "$P1" "$T1" "$PHASE" "$AT_NS")
    echo "figure: native banner phases $P1 -> $PHASE in $(((AT_NS - T1) / 1000000)) ms: $rate a second"
    if [ "$rate" -lt 48 ] || [ "$rate" -gt 80 ]; then fail "the banner runs at $rate phases a second, not 64"; fi
  fi

  log "covered by another window and uncovered: the same picture"
  "$XPROBE" hold cover 60 &
  STARTED_PIDS+=($!)
  "$XPROBE" wait cover "$WINDOW_TIMEOUT" || fail "the covering window did not show"
  xdotool search --name '^cover$' windowmove 0 0 windowsize "$SW" "$SH"
  sleep 0.5
  kill "${STARTED_PIDS[-1]}"
  "$XPROBE" gone cover 10 || fail "the covering window stayed"
  sleep 0.5
  client uncovered
  same_as_render uncovered 250
  xprop -id "$("$XPROBE" window "$CAPTION" | awk '$1 == "id" { print $2 }')" _NET_WM_ICON | grep -q '= ' ||
    fail "no _NET_WM_ICON on the dialog"

  log "the hand over the buttons, the link and the bar; the arrow elsewhere"
  for spot in "350 246 hand" "450 246 hand" "60 260 hand" "240 40 hand" "100 180 arrow" "60 40 arrow"; do
    read -r x y want <<<"$spot"
    # shellcheck disable=SC2046
    xdotool mousemove $(at "$x" "$y")
    op='!='
    [ "$want" = hand ] && op='='
    poll 5 "[ \"\$(\"\$XPROBE\" cursor-hotspot)\" $op '12 1' ]" || fail "at ($x, $y) the pointer is not the $want"
  done

  log "arrow clicks, a thumb drag and the End key move the count, writing nothing"
  for _ in 1 2 3; do click_at 296 40; done
  label_shows arrows 253
  # The thumb of 253 starts 40 pixels into the bar (17 into its 62-pixel
  # track); moved 31 pixels on it stands 54 pixels in: 100 + 54 * 400 / 62.
  # shellcheck disable=SC2046
  xdotool mousemove $(at 241 40) mousedown 1 mousemove $(at 256 41) mousemove $(at 272 41)
  label_shows dragging 448
  xdotool mouseup 1
  label_shows dragged 448
  xdotool key End
  label_shows end 500
  xdotool key Return Escape
  sleep 0.5
  kill -0 "$SAVER_PID" 2>/dev/null || fail "Enter or Escape closed the dialog"
  ini_unchanged "moving the bar, Enter and Escape"

  log "three presses on the link: three opens, the dialog stays"
  for _ in 1 2 3; do click_at 60 260; done
  poll 10 "[ \$(wc -l <'$WORK/opened.log' 2>/dev/null || echo 0) -ge 3 ]"
  [ "$(sort "$WORK/opened.log" | uniq -c | tr -s ' ')" = " 3 https://kalvessa.example/|" ] || fail "opened: $(cat "$WORK/opened.log" 2>/dev/null)"
  kill -0 "$SAVER_PID" 2>/dev/null || fail "the link closed the dialog"

  log "at rest"
  read -r t0 < <(awk '{ print $14 + $15 }' "/proc/$SAVER_PID/stat")
  sleep 5
  read -r t1 < <(awk '{ print $14 + $15 }' "/proc/$SAVER_PID/stat")
  echo "figure: native dialog at rest: $(((t1 - t0) * 100 / $(getconf CLK_TCK) / 5)) % of a core" \
    "(banner running); peak memory $(awk '/VmHWM/ { print $2, $3 }' "/proc/$SAVER_PID/status")"

  log "a second /c and a /s end at once beside it"
  for line in /c /s; do
    run_quick $line
    [ "$EXIT_CODE" = 0 ] || fail "$line beside the dialog: exit code $EXIT_CODE"
  done
  [ "$("$XPROBE" count "$CAPTION"),$("$XPROBE" count "$SAVER_CAPTION")" = 1,0 ] || fail "a second window appeared"

  log "設定 stores the count shown and ends"
  click_at 350 246
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "after 設定: exit code $EXIT_CODE"
  printf '[Section]\r\n%s= 500\r\n' "$KEY" | cmp -s - "$INI" || fail "stored: $(od -c "$INI" | head -3)"
fi

log "a right-click on ｷｬﾝｾﾙ ends without storing; a release off the button still acts"
store 250
cp "$INI" "$WORK/ini.before"
if open_dialog; then
  # shellcheck disable=SC2046
  xdotool mousemove $(at 296 40) click 1 mousemove $(at 450 246) mousedown 3 mousemove $(at 450 150) mouseup 3
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "after ｷｬﾝｾﾙ: exit code $EXIT_CODE"
  ini_unchanged "ｷｬﾝｾﾙ"
fi

# hidpi_label: the label of a dialog shown twice as large, shrunk back,
# reads what kal-render draws for 251.
# shellcheck disable=SC2317  # called through poll
hidpi_label() {
  screenshot hidpi-click-screen
  convert "$WORK/hidpi-click-screen.png" -crop "80x34+$((DX + 460))+$((DY + 108))" +repage -sample 50% \
    "$WORK/hidpi-label.png"
  [ "$(compare -metric AE "$WORK/hidpi-label.png" "$WORK/label-251.png" null: 2>&1)" = 0 ]
}

log "Xft.dpi 192: twice the size, every pixel a block, clicks where they show"
store 250
cp "$INI" "$WORK/ini.before"
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t192\n')"
if open_dialog 2; then
  screenshot hidpi-screen
  convert "$WORK/hidpi-screen.png" -crop "1034x562+$DX+$DY" +repage -fill black \
    -draw "rectangle 40,200 985,427" "$WORK/hidpi.png"
  "$KAL_RENDER" --dialog --count 250 --png "$WORK/ref-hidpi.png"
  convert "$WORK/ref-hidpi.png" -scale 200% -fill black -draw "rectangle 40,200 985,427" "$WORK/ref-hidpi2.png"
  n=$(compare -metric AE "$WORK/hidpi.png" "$WORK/ref-hidpi2.png" "$WORK/hidpi-diff.png" 2>&1)
  [ "$n" = 0 ] || fail "192 dpi: $n pixels differ from kal-render's dialog shown twice as large"
  # shellcheck disable=SC2046
  xdotool mousemove $(at $((2 * 296)) $((2 * 40))) click 1
  "$KAL_RENDER" --dialog --count 251 --png "$WORK/ref-251.png"
  convert "$WORK/ref-251.png" -crop 40x17+230+54 +repage "$WORK/label-251.png"
  poll 10 hidpi_label || fail "192 dpi: a click on the shown right arrow did not make 251"
  xdotool key Escape
  kill "$SAVER_PID"
  wait "$SAVER_PID" 2>/dev/null
fi
xprop -root -remove RESOURCE_MANAGER

log "under openbox: framed, and the frame's close button ends it, storing nothing"
start_openbox
if start_saver /c && "$XPROBE" wait "$CAPTION" "$WINDOW_TIMEOUT"; then
  # The client keeps its size inside the frame.
  "$XPROBE" window "$CAPTION" | grep -q '^geometry 517x281+' || fail "framed: $("$XPROBE" window "$CAPTION")"
  "$XPROBE" close "$CAPTION" || fail "no window to close"
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "after the frame's close: exit code $EXIT_CODE"
  ini_unchanged "closing through the frame"
else
  fail "no dialog under openbox"
fi
finish
