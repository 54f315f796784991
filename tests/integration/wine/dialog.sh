#!/bin/bash
# The settings dialog (Kalvessa.scr /c) under Wine, driven with real input.
#  A  stored 250: caption, a 517 x 281 client centred by the frame's own rules,
#     pixels equal to kal-render --dialog outside the text and the banner, the
#     Japanese labels drawn as glyphs. A thumb drag to the left end and three
#     right-arrow clicks each change the number, the file stays as it was;
#     a press on "設定" shows the pressed face and its release outside the
#     window stores the shown 103 and ends the process.
#  B  the stored 103 shows as that number; three link clicks make three opens
#     of the address, the dialog stays; a second /c and a /s end at once
#     without a window; Enter and Escape do nothing; a right-button click on
#     "ｷｬﾝｾﾙ" ends it and stores nothing.
#     The banner box equals kal-render's banner at some phase and moves about
#     64 phases a second; covered by another window and uncovered, the
#     dialog shows the same picture.
#  C  from a folder that cannot be written, the choice goes to the per-user
#     file and the next /c shows it.
#  D  at 192 dpi (LogPixels) the dialog shows twice as large, each pixel a
#     2 x 2 block, and takes clicks where it shows them.
source "$(dirname "$0")/lib.sh"
# shellcheck source=../banner_phase.sh
source "$(dirname "$0")/../banner_phase.sh"
need_files
need_file "${KAL_RENDER:-}" "kal-render (native build)"
[ "$(id -u)" = 0 ] || fail "needs root: the unwritable folder is a read-only bind mount"
start_xvfb 1280x1024
pointer_to 5 5

KEY=$'\xCA\xDF\xB0\xC3\xA8\xB8\xD9\x82\xCC\x90\x94' # ﾊﾟｰﾃｨｸﾙの数 in code page 932
ADDRESS=https://kalvessa.example/
CLIENT_W=517 CLIENT_H=281

# In the client area: rectangles left,top,right,bottom and points (x y).
BAR=192,32,305,49
LEFT_ARROW=(200 40) RIGHT_ARROW=(296 40)
SAVE_FACE=305,237,400,259 CANCEL_FACE=405,237,500,259
SAVE=(352 246) CANCEL=(452 246) LINK=(60 260)
BANNER=20,100,493,214
# The text: GDI's glyphs under Wine, FreeType's in kal-render. Autosized
# labels take their text's measured size, which differs between the two
# fonts by a few pixels, so these reach a little past the designed boxes.
T_PLATE=22,26,121,49 T_FEW=168,32,190,50 T_MANY=310,32,410,50 T_NUM=236,54,280,72
T_CREDIT=8,232,185,250 T_LINK=8,252,232,270 T_SAVE=306,238,399,255 T_CANCEL=406,238,499,255
MASKED="$T_PLATE $T_FEW $T_MANY $T_NUM $T_CREDIT $T_LINK $T_SAVE $T_CANCEL $BANNER"

# ---- helpers ----

store_count() { printf '[Section]\r\n%s= %s\r\n' "$KEY" "$2" >"$1"; }

# Starts /c of the Kalvessa.scr in folder $1 (tag $2). kaltest is already
# polling when it starts, so the time to the window excludes kaltest's start.
open_dialog() {
  local dir=$1 tag=$2 out=$KAL_WORK/wait-$2.out t0 ms
  start_dialog_wait "$out" || fail "$tag: kaltest dialog-wait did not start: $(cat "$out")"
  t0=$(date +%s%N)
  timeout 280 wine "$(winpath "$dir/Kalvessa.scr")" /c >"$KAL_WORK/scr-$tag.out" 2>&1 &
  SCR_PID=$!
  _bg_pids+=("$SCR_PID")
  wait "$WAITER" || fail "$tag: no visible window '$SETTINGS_CAPTION' within 60 s: $(tr -d '\r' <"$out")"
  DIALOG=$(tr -d '\r' <"$out" | grep '^visible_at=')
  log "$tag: $DIALOG"
  local origin
  origin=$(field "$DIALOG" origin)
  OX=${origin%,*} OY=${origin#*,}
  ms=$(($(field "$DIALOG" visible_at) - t0 / 1000000))
  echo "figure: $tag: /c window shown (IsWindowVisible) $ms ms after the start"
}

# Real pointer input at client points.
move_to() { xdotool mousemove "$((OX + $1))" "$((OY + $2))" || fail "xdotool mousemove failed"; }
click() {  # x y [button]
  move_to "$1" "$2"
  xdotool click "${3:-1}" || fail "xdotool click failed"
}
press() {  # x y [button]
  move_to "$1" "$2"
  xdotool mousedown "${3:-1}" || fail "xdotool mousedown failed"
}
release() { xdotool mouseup "${1:-1}" || fail "xdotool mouseup failed"; }

# The dialog's client area from a fresh screenshot: $KAL_WORK/$1.png.
shot() {
  screenshot "$KAL_WORK/screen.png"
  convert "$KAL_WORK/screen.png" -crop "${CLIENT_W}x${CLIENT_H}+$OX+$OY" +repage "$KAL_WORK/$1.png" ||
    fail "cannot crop the client area"
}
# part picture rect out: that rectangle of a client picture.
part() {
  local l t r b
  IFS=, read -r l t r b <<<"$2"
  convert "$1" -crop "$((r - l))x$((b - t))+$l+$t" +repage "$3"
}
same() { [ "$(diff_pixels "$1" "$2" "$KAL_WORK/diff-same.png")" = 0 ]; }

# A client picture with the text and the banner blacked out.
mask_args=()
for r in $MASKED; do
  IFS=, read -r l t rr b <<<"$r"
  mask_args+=(-draw "rectangle $l,$t,$((rr - 1)),$((b - 1))")
done
masked() { convert "$1" -fill black "${mask_args[@]}" "$2"; }

render() {  # count → $KAL_WORK/render-<count>.png
  [ -f "$KAL_WORK/render-$1.png" ] ||
    "$KAL_RENDER" --dialog --count "$1" --png "$KAL_WORK/render-$1.png" || fail "kal-render --dialog failed"
}

# Polls until the client area equals kal-render's dialog with the stored
# count $1 everywhere but the text and the banner; the picture in $2.png.
expect_like_render() {
  local count=$1 name=$2 n
  render "$count"
  masked "$KAL_WORK/render-$count.png" "$KAL_WORK/render-$count-masked.png"
  for _ in $(seq 1 40); do
    shot "$name"
    masked "$KAL_WORK/$name.png" "$KAL_WORK/$name-masked.png"
    n=$(diff_pixels "$KAL_WORK/render-$count-masked.png" "$KAL_WORK/$name-masked.png" "$KAL_WORK/$name-diff.png")
    [ "$n" = 0 ] && break
    sleep 0.25
  done
  [ "$n" = 0 ] || fail "$name: $n pixels outside the text and banner differ from kal-render --count $count (see $name-diff.png)"
  log "$name: equal to kal-render --dialog --count $count outside the text and banner"
}

# Polls until the area $2 of the client differs from the picture $1, and
# holds still over two screenshots; that area in $3.
wait_area_change() {
  local before=$1 rect=$2 out=$3 what=$4 end
  end=$(($(date +%s) + 30))
  while [ "$(date +%s)" -lt "$end" ]; do
    alive "$SCR_PID" || fail "$what: the dialog ended"
    shot now
    part "$KAL_WORK/now.png" "$rect" "$out"
    if ! same "$before" "$out"; then
      shot now
      part "$KAL_WORK/now.png" "$rect" "$out.again.png"
      same "$out" "$out.again.png" && return 0
    fi
    sleep 0.1
  done
  fail "$what: the area $rect did not change (see now.png)"
}

# The label's number as a picture of GDI's text after the dialog loaded it.
label_of() { part "$KAL_WORK/$1.png" "$T_NUM" "$2"; }

# How alike the strokes of two pictures are: normalised cross-correlation of
# their blurred dark pixels (1 = the same; two different words of this size
# score about 0.6, a missing-glyph box about 0.4).
ink() { convert "$1" -colorspace gray -threshold 40% -negate -blur 0x1 "$2"; }
likeness() {
  ink "$1" "$KAL_WORK/ink-a.png"
  ink "$2" "$KAL_WORK/ink-b.png"
  compare -metric NCC "$KAL_WORK/ink-a.png" "$KAL_WORK/ink-b.png" null: 2>&1
}

file_unchanged() {  # file copy what
  cmp -s "$1" "$2" || fail "$3: the settings file changed: $(od -c "$1" | head -5)"
}

# Ticks of CPU time (user + system) the process has used.
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }

# ---- the stand-in browser and the per-user file, undone at the end ----

BROWSER_KEY='HKCU\Software\Wine\WineBrowser'
had_key=yes
key_before=$(timeout 60 wine reg query "$BROWSER_KEY" 2>/dev/null) || had_key=no
browsers_before=$(echo "$key_before" | tr -d '\r' | sed -n 's/^ *Browsers  *REG_SZ  *//p')
had_browsers=no
echo "$key_before" | grep -q '^ *Browsers  *REG_SZ' && had_browsers=yes
appdata=$(timeout 60 winepath -u "$(timeout 60 wine cmd /c echo %APPDATA% | tr -d '\r')" | tr -d '\r')
[ -d "$appdata" ] || fail "no %APPDATA% folder: '$appdata'"
USER_DIR=$appdata/Kalvessa USER_INI=$appdata/Kalvessa/Kalvessa.ini
had_user_dir=no
[ -d "$USER_DIR" ] && had_user_dir=yes
rm -f "$USER_INI"
RO=$KAL_WORK/readonly
mounted=no

DPI_KEY='HKCU\Control Panel\Desktop'
dialog_cleanup() {
  timeout 60 wine reg delete "$DPI_KEY" /v LogPixels /f >/dev/null 2>&1
  if [ "$had_browsers" = yes ]; then
    timeout 60 wine reg add "$BROWSER_KEY" /v Browsers /d "$browsers_before" /f >/dev/null 2>&1
  elif [ "$had_key" = yes ]; then
    timeout 60 wine reg delete "$BROWSER_KEY" /v Browsers /f >/dev/null 2>&1
  else
    timeout 60 wine reg delete "$BROWSER_KEY" /f >/dev/null 2>&1
  fi
  rm -f "$USER_INI"
  [ "$had_user_dir" = yes ] || rmdir "$USER_DIR" 2>/dev/null
  cleanup
  if [ "$mounted" = yes ]; then umount "$RO" 2>/dev/null || umount -l "$RO"; fi
}
trap dialog_cleanup EXIT

cat >"$KAL_WORK/browser.sh" <<EOF
#!/bin/sh
# One line per open: the number of arguments, then the arguments.
echo "\$#:\$*" >>"$KAL_WORK/browser.log"
EOF
chmod +x "$KAL_WORK/browser.sh"
timeout 60 wine reg add "$BROWSER_KEY" /v Browsers /d "$KAL_WORK/browser.sh" /f >/dev/null ||
  fail "cannot set the stand-in browser"

APP=$KAL_WORK/app INI=$KAL_WORK/app/Kalvessa.ini
mkdir -p "$APP"
cp "$KAL_SCR" "$APP/Kalvessa.scr"

# ---- A ----

store_count "$INI" 250
cp "$INI" "$KAL_WORK/stored-250.ini"
open_dialog "$APP" A
[ "$(field "$DIALOG" client)" = "$CLIENT_W,$CLIENT_H" ] || fail "client area $(field "$DIALOG" client), expected $CLIENT_W,$CLIENT_H"
framed=$(field "$DIALOG" framed) rect=$(field "$DIALOG" rect)
fw=${framed%,*} fh=${framed#*,}
want="$(((SCREEN_W - fw) / 2)),$(((SCREEN_H - fh) / 2)),$(((SCREEN_W - fw) / 2 + fw)),$(((SCREEN_H - fh) / 2 + fh))"
[ "$rect" = "$want" ] || fail "window at $rect; the frame around a $CLIENT_W x $CLIENT_H client, centred, is $want"
log "A: $CLIENT_W x $CLIENT_H client in a $fw x $fh window at $rect, centred"

expect_like_render 250 A-loaded
# GDI's Japanese text, stroke for stroke close to kal-render's.
for r in plate:$T_PLATE few:$T_FEW many:$T_MANY save:$T_SAVE cancel:$T_CANCEL; do
  name=${r%%:*}
  part "$KAL_WORK/A-loaded.png" "${r#*:}" "$KAL_WORK/text-$name.png"
  part "$KAL_WORK/render-250.png" "${r#*:}" "$KAL_WORK/text-$name-render.png"
  score=$(likeness "$KAL_WORK/text-$name.png" "$KAL_WORK/text-$name-render.png")
  log "A: text '$name' likeness to kal-render's $score"
  awk -v s="$score" 'BEGIN { exit !(s >= 0.85) }' || fail "the text '$name' does not look like its glyphs (likeness $score, see text-$name.png)"
done
same "$KAL_WORK/text-save.png" "$KAL_WORK/text-cancel.png" && fail "the two button labels look the same"
label_of A-loaded "$KAL_WORK/label-250.png"

log "A: thumb dragged past the left end"
IFS=, read -r bl _ br _ <<<"$BAR"
# The middle of the thumb at 250: two 17-pixel arrows and a 17-pixel thumb
# leave its left edge a track's 150/400 past the left arrow.
thumb_x=$((bl + 17 + (250 - 100) * (br - bl - 3 * 17) / 400 + 8))
press $thumb_x 40
move_to 220 40
move_to 180 40
move_to 120 41
release
wait_area_change "$KAL_WORK/label-250.png" "$T_NUM" "$KAL_WORK/label-100.png" "thumb drag"
file_unchanged "$INI" "$KAL_WORK/stored-250.ini" "thumb drag"
prev=$KAL_WORK/label-100.png
for v in 101 102 103; do
  click "${RIGHT_ARROW[@]}"
  wait_area_change "$prev" "$T_NUM" "$KAL_WORK/label-$v.png" "right arrow to $v"
  prev=$KAL_WORK/label-$v.png
done
file_unchanged "$INI" "$KAL_WORK/stored-250.ini" "right arrow"
log "A: the number changed with the drag and each click; the file is as it was"

shot A-released
part "$KAL_WORK/A-released.png" "$SAVE_FACE" "$KAL_WORK/save-released.png"
press "${SAVE[@]}"
wait_area_change "$KAL_WORK/save-released.png" "$SAVE_FACE" "$KAL_WORK/save-pressed.png" "press on 設定"
# Released outside the window: it still counts.
move_to 260 330
release
expect_exit "$SCR_PID" 30 "A: 設定 released outside the window"
v=$(kt ini-read "$(winpath "$INI")")
[ "$v" = 103 ] || fail "A: the profile API reads '$v' after 設定, expected 103"
store_count "$KAL_WORK/stored-103.ini" 103
file_unchanged "$INI" "$KAL_WORK/stored-103.ini" "A: 設定 (expected exactly '$KEY= 103' under [Section])"
[ ! -e "$USER_INI" ] || fail "A: a per-user file was written although the program's folder can be written"
beside=$(find "$APP" -mindepth 1 -printf '%f\n' | sort | tr '\n' ' ')
[ "$beside" = "Kalvessa.ini Kalvessa.scr " ] || fail "A: files beside the program: $beside"
log "A: 設定 stored 103 and the process ended with status 0"

# ---- B ----

open_dialog "$APP" B
expect_like_render 103 B-loaded
label_of B-loaded "$KAL_WORK/label-loaded-103.png"
same "$KAL_WORK/label-loaded-103.png" "$KAL_WORK/label-103.png" ||
  fail "B: the loaded 103 reads otherwise than the number A showed when 設定 was clicked"

log "B: the banner, read off the screen"
banner_index "$KAL_WORK/phases" || fail "kal-render --dialog --series failed"
# banner_at: the phase on the screen now in PHASE, when in AT_NS (polled past
# the phases whose pictures look alike).
banner_at() {
  local end=$(($(date +%s) + 15))
  PHASE=
  while [ -z "$PHASE" ] && [ "$(date +%s)" -le "$end" ]; do
    shot banner-client
    AT_NS=$(date +%s%N)
    convert "$KAL_WORK/banner-client.png" -crop 469x110+22+102 +repage "$KAL_WORK/banner.png"
    PHASE=$(banner_phase "$KAL_WORK/phases" "$KAL_WORK/banner.png")
  done
  [ -n "$PHASE" ] || fail "B: the banner box matches none of kal-render's 310 phases (see banner.png)"
}
banner_at
P1=$PHASE T1=$AT_NS
sleep 1
banner_at
rate=$(banner_rate "$P1" "$T1" "$PHASE" "$AT_NS")
echo "figure: B: banner phases $P1 -> $PHASE in $(((AT_NS - T1) / 1000000)) ms: $rate a second"
if [ "$rate" -lt 48 ] || [ "$rate" -gt 80 ]; then fail "B: the banner runs at $rate phases a second, not 64"; fi

log "B: covered by another window and uncovered"
"$KAL_XPROBE" hold cover 60 &
_bg_pids+=($!)
for _ in $(seq 1 100); do xdotool search --name '^cover$' >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --name '^cover$' windowmove 0 0 windowsize "$SCREEN_W" "$SCREEN_H" || fail "cannot place the covering window"
sleep 0.5
kill "${_bg_pids[-1]}"
for _ in $(seq 1 100); do xdotool search --name '^cover$' >/dev/null 2>&1 || break; sleep 0.1; done
expect_like_render 103 B-uncovered

pid=$(pgrep -P "$SCR_PID" | head -n1)
if [ -z "$pid" ] || ! tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q 'Kalvessa.scr /c'; then
  fail "B: no Kalvessa.scr process under pid $SCR_PID"
fi
hz=$(getconf CLK_TCK)
t1=$(cpu_ticks "$pid") n1=$(date +%s%N)
sleep 5 # the window of the measurement
t2=$(cpu_ticks "$pid") n2=$(date +%s%N)
echo "figure: B: dialog at rest used $((t2 - t1)) ticks of CPU (1/$hz s) over $(((n2 - n1) / 1000000)) ms:" \
  "$(awk -v t=$((t2 - t1)) -v hz="$hz" -v ns=$((n2 - n1)) 'BEGIN { printf "%.1f%%", 100 * t / hz / (ns / 1e9) }') of a core"

log "B: three clicks on the link"
: >"$KAL_WORK/browser.log"
for i in 1 2 3; do
  click "${LINK[@]}"
  for _ in $(seq 1 300); do
    [ "$(wc -l <"$KAL_WORK/browser.log")" -ge $i ] && break
    sleep 0.1
  done
  [ "$(wc -l <"$KAL_WORK/browser.log")" -ge $i ] || fail "B: link click $i opened nothing in 30 s"
done
alive "$SCR_PID" || fail "B: the dialog ended after the link clicks"
expect_count "$SETTINGS_CAPTION" 1 "B: the dialog's window is gone after the link clicks"

for sw in /c /s; do
  start=$(date +%s%N)
  code=$(timeout 60 wine "$(winpath "$APP/Kalvessa.scr")" $sw >"$KAL_WORK/second.out" 2>&1; echo $?)
  ms=$((($(date +%s%N) - start) / 1000000))
  echo "figure: B: a second $sw beside the dialog ended after $ms ms"
  [ "$code" = 0 ] || fail "B: a second $sw ended with $code"
  expect_count "$SETTINGS_CAPTION" 1 "B: after a second $sw there is not exactly one '$SETTINGS_CAPTION'"
  expect_count "$SAVER_CAPTION" 0 "B: the second $sw made a saver window"
done
alive "$SCR_PID" || fail "B: the dialog ended beside the second /c and /s"

log "B: a change, then Enter and Escape; the Right key shows keys arrive"
label_of B-loaded "$KAL_WORK/label-b0.png"
click "${RIGHT_ARROW[@]}"
wait_area_change "$KAL_WORK/label-b0.png" "$T_NUM" "$KAL_WORK/label-b1.png" "B: right arrow"
xdotool key Return key Escape key Right || fail "xdotool key failed"
wait_area_change "$KAL_WORK/label-b1.png" "$T_NUM" "$KAL_WORK/label-b2.png" "B: Right key after Enter and Escape"
expect_count "$SETTINGS_CAPTION" 1 "B: Enter or Escape closed the dialog"

shot B-released
part "$KAL_WORK/B-released.png" "$CANCEL_FACE" "$KAL_WORK/cancel-released.png"
press "${CANCEL[@]}" 3
wait_area_change "$KAL_WORK/cancel-released.png" "$CANCEL_FACE" "$KAL_WORK/cancel-pressed.png" "right press on ｷｬﾝｾﾙ"
release 3
expect_exit "$SCR_PID" 30 "B: right click on ｷｬﾝｾﾙ"
file_unchanged "$INI" "$KAL_WORK/stored-103.ini" "B: ｷｬﾝｾﾙ"
mapfile -t opens <"$KAL_WORK/browser.log"
[ "${#opens[@]}" = 3 ] || fail "B: ${#opens[@]} opens for three link clicks: ${opens[*]}"
for o in "${opens[@]}"; do [ "$o" = "1:$ADDRESS" ] || fail "B: the browser was given '$o', expected '1:$ADDRESS'"; done
log "B: three opens of $ADDRESS; ｷｬﾝｾﾙ stored nothing and the process ended with status 0"

# ---- C ----

mkdir -p "$RO"
cp "$KAL_SCR" "$RO/Kalvessa.scr"
store_count "$RO/Kalvessa.ini" 102
cp "$RO/Kalvessa.ini" "$KAL_WORK/stored-102.ini"
mount --bind "$RO" "$RO" || fail "bind mount of $RO failed"
mounted=yes
mount -o remount,bind,ro "$RO" || fail "cannot make $RO read-only"
touch "$RO/probe" 2>/dev/null && fail "$RO can still be written"

open_dialog "$RO" C1
expect_like_render 102 C1-loaded
label_of C1-loaded "$KAL_WORK/label-loaded-102.png"
same "$KAL_WORK/label-loaded-102.png" "$KAL_WORK/label-102.png" || fail "C1: the dialog does not show the stored 102"
click "${LEFT_ARROW[@]}"
wait_area_change "$KAL_WORK/label-loaded-102.png" "$T_NUM" "$KAL_WORK/label-c1.png" "C1: left arrow"
same "$KAL_WORK/label-c1.png" "$KAL_WORK/label-101.png" || fail "C1: the left arrow did not make 101"
click "${SAVE[@]}"
expect_exit "$SCR_PID" 30 "C1: 設定 with the program's folder read-only (a message box would hold it open)"
[ -f "$USER_INI" ] || fail "C1: no per-user file $USER_INI"
v=$(kt ini-read "$(winpath "$USER_INI")")
[ "$v" = 101 ] || fail "C1: the per-user file holds '$v', expected 101"
log "C1: 101 stored in $USER_INI"

open_dialog "$RO" C2
expect_like_render 101 C2-loaded
label_of C2-loaded "$KAL_WORK/label-loaded-101.png"
same "$KAL_WORK/label-loaded-101.png" "$KAL_WORK/label-101.png" || fail "C2: the dialog does not show the per-user 101"
click "${CANCEL[@]}"
expect_exit "$SCR_PID" 30 "C2: ｷｬﾝｾﾙ"

# ---- D ----

timeout 60 wine reg query "$DPI_KEY" /v LogPixels >/dev/null 2>&1 && fail "D: the prefix already sets LogPixels"
timeout 60 wine reg add "$DPI_KEY" /v LogPixels /t REG_DWORD /d 192 /f >/dev/null || fail "cannot set LogPixels"
open_dialog "$APP" D
[ "$(field "$DIALOG" client)" = "$((2 * CLIENT_W)),$((2 * CLIENT_H))" ] ||
  fail "D: client area $(field "$DIALOG" client) at 192 dpi, expected twice $CLIENT_W,$CLIENT_H"
# The client shrunk back to one pixel per block is the dialog at 96 dpi (with
# C's per-user 101, the newer file).
shot_hidpi() {
  screenshot "$KAL_WORK/screen.png"
  convert "$KAL_WORK/screen.png" -crop "$((2 * CLIENT_W))x$((2 * CLIENT_H))+$OX+$OY" +repage -sample 50% \
    "$KAL_WORK/$1.png"
}
shot_hidpi D-loaded
masked "$KAL_WORK/D-loaded.png" "$KAL_WORK/D-loaded-masked.png"
n=$(diff_pixels "$KAL_WORK/render-101-masked.png" "$KAL_WORK/D-loaded-masked.png" "$KAL_WORK/D-diff.png")
[ "$n" = 0 ] || fail "D: shrunk back, $n pixels outside the text and banner differ from kal-render (see D-diff.png)"
label_of D-loaded "$KAL_WORK/label-d0.png"
click $((2 * RIGHT_ARROW[0])) $((2 * RIGHT_ARROW[1]))
for _ in $(seq 1 100); do
  shot_hidpi D-clicked
  label_of D-clicked "$KAL_WORK/label-d1.png"
  same "$KAL_WORK/label-d0.png" "$KAL_WORK/label-d1.png" || break
  sleep 0.1
done
same "$KAL_WORK/label-d0.png" "$KAL_WORK/label-d1.png" && fail "D: a click on the shown right arrow changed nothing"
click $((2 * CANCEL[0])) $((2 * CANCEL[1]))
expect_exit "$SCR_PID" 30 "D: ｷｬﾝｾﾙ at 192 dpi"
log "D: twice as large at 192 dpi, equal to kal-render shrunk back, clicks where they show"
log "PASS"
