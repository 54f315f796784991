#!/bin/bash
# Saves that must not happen, under Wine, with real input.
#  A  Kalvessa.ini of exactly 1 MiB holding 250 without the blank: 設定 would
#     make it one byte larger than any reader takes. A message box names the
#     file and the limit, the file stays byte for byte, no per-user file is
#     written, and the next /c shows 250 again.
#  B  Kalvessa.ini made read-only (attrib +r): 設定 after a right-arrow click
#     stores 251 in the per-user file without a word, as for a folder that
#     cannot be written; the file beside the program stays as it was,
#     read-only, and the next /c shows 251.
#  C  The backend (kaltest write-file): a read-only file is refused; a
#     replaced file keeps its system attribute.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 1280x1024
pointer_to 5 5

KEY=$'\xCA\xDF\xB0\xC3\xA8\xB8\xD9\x82\xCC\x90\x94' # ﾊﾟｰﾃｨｸﾙの数 in code page 932
LIMIT=1048576
# In the client area: the number label (left,top,right,bottom) and points (x y).
T_NUM=236,54,280,72
RIGHT_ARROW=(296 40) SAVE=(352 246) CANCEL=(452 246)

APP=$KAL_WORK/app INI=$KAL_WORK/app/Kalvessa.ini
mkdir -p "$APP"
cp "$KAL_SCR" "$APP/Kalvessa.scr"
appdata=$(timeout 60 winepath -u "$(timeout 60 wine cmd /c echo %APPDATA% | tr -d '\r')" | tr -d '\r')
[ -d "$appdata" ] || fail "no %APPDATA% folder: '$appdata'"
USER_DIR=$appdata/Kalvessa USER_INI=$appdata/Kalvessa/Kalvessa.ini
had_user_dir=no
[ -d "$USER_DIR" ] && had_user_dir=yes
rm -f "$USER_INI"
refusals_cleanup() {
  rm -f "$USER_INI"
  [ "$had_user_dir" = yes ] || rmdir "$USER_DIR" 2>/dev/null
  cleanup
}
trap refusals_cleanup EXIT

# Starts /c of the program beside the settings file (tag $1); the client
# area's screen origin in OX, OY.
open_dialog() {
  local out=$KAL_WORK/wait-$1.out origin
  start_dialog_wait "$out" || fail "$1: kaltest dialog-wait did not start: $(cat "$out")"
  timeout 200 wine "$(winpath "$APP/Kalvessa.scr")" /c >"$KAL_WORK/scr-$1.out" 2>&1 &
  SCR_PID=$!
  _bg_pids+=("$SCR_PID")
  wait "$WAITER" || fail "$1: no visible window '$SETTINGS_CAPTION': $(tr -d '\r' <"$out")"
  origin=$(field "$(tr -d '\r' <"$out" | grep '^visible_at=')" origin)
  OX=${origin%,*} OY=${origin#*,}
}
click() { xdotool mousemove "$((OX + $1))" "$((OY + $2))" click 1 || fail "xdotool failed"; }
# label FILE: the number label as the screen shows it, once two shots agree.
label() {
  local l t r b
  IFS=, read -r l t r b <<<"$T_NUM"
  for _ in $(seq 1 50); do
    screenshot "$KAL_WORK/screen.png"
    convert "$KAL_WORK/screen.png" -crop "$((r - l))x$((b - t))+$((OX + l))+$((OY + t))" +repage "$1"
    [ -f "$1.last" ] && same "$1" "$1.last" && { rm -f "$1.last"; return 0; }
    cp "$1" "$1.last"
    sleep 0.2
  done
  fail "the label does not hold still ($1)"
}
same() { [ "$(diff_pixels "$1" "$2" "$KAL_WORK/diff.png")" = 0 ]; }

# ---- A ----

{
  printf '[Section]\r\n%s=250\r\n;' "$KEY"
  head -c $((LIMIT - 11 - 11 - 6 - 1 - 2)) /dev/zero | tr '\0' x
  printf '\r\n'
} >"$INI"
[ "$(stat -c %s "$INI")" = "$LIMIT" ] || fail "A: the file is $(stat -c %s "$INI") bytes, not $LIMIT"
cp "$INI" "$KAL_WORK/before-a.ini"
open_dialog A1
sleep 1 # loaded and painted
label "$KAL_WORK/label-250.png"
click "${SAVE[@]}"
said=$(kt message "$SETTINGS_CAPTION" 30000) || fail "A: no message box after 設定: $said"
log "A: the message box said: $said"
for part in "$(winpath "$INI")" "$LIMIT" "$((LIMIT + 1))"; do
  [[ $said == *"$part"* ]] || fail "A: the message does not name '$part'"
done
expect_exit "$SCR_PID" 30 "A1: 設定 refused, the message box answered"
cmp -s "$INI" "$KAL_WORK/before-a.ini" || fail "A: the settings file changed ($(stat -c %s "$INI") bytes)"
[ ! -e "$USER_INI" ] || fail "A: the count went to the per-user file: $(cat "$USER_INI")"
open_dialog A2
sleep 1
label "$KAL_WORK/label-a2.png"
same "$KAL_WORK/label-a2.png" "$KAL_WORK/label-250.png" || fail "A: the next /c does not show 250 (label-a2.png)"
click "${CANCEL[@]}"
expect_exit "$SCR_PID" 30 "A2: ｷｬﾝｾﾙ"
log "A: refused with the reason, the file as it was, the next /c shows 250"

# ---- B ----

printf '[Section]\r\n%s= 250\r\n' "$KEY" >"$INI"
timeout 30 wine attrib +r "$(winpath "$INI")" || fail "B: attrib +r failed"
attributes=$(timeout 30 wine attrib "$(winpath "$INI")" | tr -d '\r')
log "B: attrib: $attributes; mode $(stat -c %a "$INI")"
[[ ${attributes%%Z:*} == *R* ]] || fail "B: the file is not read-only: $attributes"
cp "$INI" "$KAL_WORK/before-b.ini"
open_dialog B1
sleep 1
label "$KAL_WORK/label-b0.png"
same "$KAL_WORK/label-b0.png" "$KAL_WORK/label-250.png" || fail "B: the dialog does not show 250"
click "${RIGHT_ARROW[@]}"
for _ in $(seq 1 50); do
  label "$KAL_WORK/label-251.png"
  same "$KAL_WORK/label-251.png" "$KAL_WORK/label-250.png" || break
done
same "$KAL_WORK/label-251.png" "$KAL_WORK/label-250.png" && fail "B: the right arrow changed nothing"
click "${SAVE[@]}"
expect_exit "$SCR_PID" 30 "B1: 設定 beside a read-only file (a message box would hold it open)"
cmp -s "$INI" "$KAL_WORK/before-b.ini" || fail "B: the read-only file changed: $(od -c "$INI" | head -3)"
[ "$(stat -c %a "$INI")" = 444 ] || fail "B: the read-only file is now mode $(stat -c %a "$INI")"
[ -f "$USER_INI" ] || fail "B: no per-user file $USER_INI"
v=$(kt ini-read "$(winpath "$USER_INI")")
[ "$v" = 251 ] || fail "B: the per-user file holds '$v', expected 251"
open_dialog B2
sleep 1
label "$KAL_WORK/label-b2.png"
same "$KAL_WORK/label-b2.png" "$KAL_WORK/label-251.png" || fail "B: the next /c does not show 251 (label-b2.png)"
click "${CANCEL[@]}"
expect_exit "$SCR_PID" 30 "B2: ｷｬﾝｾﾙ"
log "B: the read-only file as it was, 251 in $USER_INI and shown by the next /c"

# ---- C ----

f=$KAL_WORK/attributes.ini
echo old >"$f"
timeout 30 wine attrib +s "$(winpath "$f")" || fail "C: attrib +s failed"
out=$(kt write-file "$(winpath "$f")" new) || fail "C: the write failed: $out"
[ "$(cat "$f")" = new ] || fail "C: the file holds '$(cat "$f")'"
attributes=$(timeout 30 wine attrib "$(winpath "$f")" | tr -d '\r')
[[ ${attributes%%Z:*} == *S* ]] || fail "C: the system attribute was lost: $attributes"
echo "figure: C: a replaced file of mode 0600 has mode $(chmod 600 "$f" && kt write-file "$(winpath "$f")" x >/dev/null && stat -c %a "$f") under Wine"
timeout 30 wine attrib +r "$(winpath "$f")" || fail "C: attrib +r failed"
out=$(kt write-file "$(winpath "$f")" newer) && fail "C: a read-only file was replaced: $out"
[ "$(cat "$f")" = x ] || fail "C: the read-only file holds '$(cat "$f")'"
log "C: a replaced file keeps its system attribute; a read-only one is refused"
log "PASS"
