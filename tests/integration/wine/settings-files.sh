#!/bin/bash
# The settings file's edges on the Windows side, under Wine.
#  A  The Win32 backend (kaltest read-file / write-file) reads only regular
#     files up to 1 MiB: a FIFO, a link to /dev/zero and a 2 MiB file read
#     as missing. A write refuses a FIFO, a link to a device or to a folder
#     and leaves them as they were; through a link to a regular file it
#     replaces that file and the link stays. A write removes temporaries of
#     our pattern whose writer is gone, and keeps a running writer's and a
#     native writer's.
#  B  Files with a UTF-16 (either byte order) or UTF-8 mark: kal-ini and the
#     system's profile API read each other's values, and kal-ini's write
#     keeps the encoding, the mark and every other line.
#  C  The real program: 設定 in Kalvessa.scr /c beside a UTF-16 settings file
#     shows and stores its count in UTF-16; the system's reader reads it.
source "$(dirname "$0")/lib.sh"
need_files
need_file "${KAL_INI:-}" "kal-ini (tools/ini)"
start_xvfb 1024x768
pointer_to 5 5

KEY=$'\xCA\xDF\xB0\xC3\xA8\xB8\xD9\x82\xCC\x90\x94' # ﾊﾟｰﾃｨｸﾙの数 in code page 932
KEY_UTF8=$(printf '%s' "$KEY" | iconv -f CP932 -t UTF-8) || fail "iconv has no CP932"
peer_read() { kt ini-read "$(winpath "$1")"; }
kind() { stat -c %F "$1"; }

# ---- A ----

d=$KAL_WORK/files
mkdir -p "$d/folder"
mkfifo "$d/fifo.ini"
ln -s /dev/zero "$d/zero.ini"
{ printf '[Section]\r\n'; head -c $((2 << 20)) /dev/zero | tr '\0' ';'; } >"$d/large.ini"
for f in fifo zero large; do
  out=$(kt read-file "$(winpath "$d/$f.ini")" | head -c 40)
  [ "$out" = missing ] || fail "A: $f.ini was read: '$out'"
done
log "A: a FIFO, a link to /dev/zero and a 2 MiB file read as missing"

ln -s folder "$d/folder.ini"
targets="fifo.ini:fifo.ini folder.ini:folder"
if mknod "$d/null" c 1 3 2>/dev/null; then
  ln -s null "$d/device.ini"
  targets="$targets device.ini:null"
else
  log "A: no device node could be made (not root): the device case is skipped"
fi
for t in $targets; do
  written=${t%%:*} kept=${t#*:}
  was=$(kind "$d/$kept")
  out=$(kt write-file "$(winpath "$d/$written")" "[Section]") && fail "A: wrote to $written: $out"
  [ "$out" = failed ] || fail "A: writing $written gave '$out'"
  [ "$(kind "$d/$kept")" = "$was" ] || fail "A: $kept was a $was, is now a $(kind "$d/$kept")"
done
log "A: writes to a FIFO and through links to a folder and a device refused, each left as it was"

echo old >"$d/real.ini"
ln -s real.ini "$d/link.ini"
out=$(kt write-file "$(winpath "$d/link.ini")" "new") || fail "A: write through a link: $out"
[ -L "$d/link.ini" ] || fail "A: the link was replaced by a file"
[ "$(cat "$d/real.ini")" = new ] || fail "A: the linked file holds '$(cat "$d/real.ini")'"
log "A: a write through a link replaced the file it points to; the link stays"

# A running writer: kaltest holding a window. Its Windows process id is in
# Wine's trace of the modules it loads.
WINEDEBUG=+pid,+loaddll timeout 120 wine "$KAL_TEST" window "writer" 60000 >/dev/null 2>"$KAL_WORK/writer.log" &
_bg_pids+=($!)
kt find writer 30000 >/dev/null || fail "A: the stand-in writer did not start"
live=$(grep -a 'Loaded L".*kaltest\.exe"' "$KAL_WORK/writer.log" | head -1 | cut -d: -f1)
[ -n "$live" ] || fail "A: no process id of the stand-in writer: $(head -3 "$KAL_WORK/writer.log")"
live=$((16#$live))
# No process has this id: a writer that is gone.
gone=4000000000
stale="real.ini.tmp-w$gone-1 real.ini.tmp-w$gone-22"
kept_names="real.ini.tmp-w$live-1 real.ini.tmp-$live-1 real.ini.tmp-w$gone other.ini.tmp-w$gone-1"
for n in $stale $kept_names; do echo x >"$d/$n"; done
out=$(kt write-file "$(winpath "$d/real.ini")" "newer") || fail "A: write beside temporaries: $out"
for n in $stale; do [ ! -e "$d/$n" ] || fail "A: $n of a writer that is gone was kept"; done
for n in $kept_names; do [ -e "$d/$n" ] || fail "A: $n was removed"; done
[ "$(cat "$d/real.ini")" = newer ] || fail "A: the file holds '$(cat "$d/real.ini")'"
log "A: temporaries of a gone writer removed; a running writer's (pid $live), a native one's and other names kept"

# ---- B ----

# mark <encoding>: the byte-order mark a file in that encoding starts with.
mark() {
  case $1 in
    UTF-16LE) printf '\xff\xfe' ;;
    UTF-16BE) printf '\xfe\xff' ;;
    UTF-8) printf '\xef\xbb\xbf' ;;
  esac
}
# unicode_file <encoding> <value> <file>: other lines with text no ANSI code
# page holds, the key in another section too, and the count under [Section].
unicode_file() {
  {
    mark "$1"
    printf '; メモ ü € 😀\r\n[Other]\r\n%s=1\r\n[Section]\r\n%s=%s\r\nx=y\r\n' "$KEY_UTF8" "$KEY_UTF8" "$2" |
      iconv -f UTF-8 -t "$1"
  } >"$3"
}

for enc in UTF-16LE UTF-16BE UTF-8; do
  f=$KAL_WORK/$enc.ini
  unicode_file "$enc" 250 "$f"
  [ "$(peer_read "$f")" = 250 ] || fail "B $enc: the system reads '$(peer_read "$f")', expected 250"
  [ "$("$KAL_INI" read "$f")" = 250 ] || fail "B $enc: kal-ini reads '$("$KAL_INI" read "$f")', expected 250"
  "$KAL_INI" write "$f" " 410" || fail "B $enc: kal-ini write failed"
  unicode_file "$enc" " 410" "$KAL_WORK/$enc-410.ini"
  cmp -s "$f" "$KAL_WORK/$enc-410.ini" || fail "B $enc: kal-ini's write is not the file with the count changed: $(od -c "$f" | head -8)"
  [ "$(peer_read "$f")" = 410 ] || fail "B $enc: the system reads '$(peer_read "$f")' after kal-ini's write"
  kt ini-write "$(winpath "$f")" 120 || fail "B $enc: WritePrivateProfileStringA failed"
  [ "$("$KAL_INI" read "$f")" = 120 ] || fail "B $enc: kal-ini reads '$("$KAL_INI" read "$f")' after the system's write"
  log "B $enc: each reads the other's value; kal-ini's write kept the encoding and every other line"
done

# ---- C ----

APP=$KAL_WORK/app
mkdir -p "$APP"
cp "$KAL_SCR" "$APP/Kalvessa.scr"
unicode_file UTF-16LE 250 "$APP/Kalvessa.ini"
out=$KAL_WORK/wait.out
start_dialog_wait "$out" || fail "C: kaltest dialog-wait did not start: $(cat "$out")"
timeout 120 wine "$(winpath "$APP/Kalvessa.scr")" /c >"$KAL_WORK/scr.out" 2>&1 &
SCR_PID=$!
_bg_pids+=("$SCR_PID")
wait "$WAITER" || fail "C: no window '$SETTINGS_CAPTION': $(tr -d '\r' <"$out")"
origin=$(field "$(tr -d '\r' <"$out" | grep '^visible_at=')" origin)
sleep 1  # the first paint done before the click
xdotool mousemove $((${origin%,*} + 352)) $((${origin#*,} + 246)) click 1 || fail "C: xdotool failed"
expect_exit "$SCR_PID" 30 "C: 設定"
unicode_file UTF-16LE " 250" "$KAL_WORK/stored-250.ini"
cmp -s "$APP/Kalvessa.ini" "$KAL_WORK/stored-250.ini" ||
  fail "C: 設定 did not store ' 250' in the UTF-16 file as it was: $(od -c "$APP/Kalvessa.ini" | head -8)"
[ "$(peer_read "$APP/Kalvessa.ini")" = 250 ] || fail "C: the system reads '$(peer_read "$APP/Kalvessa.ini")'"
log "C: 設定 stored the count read from the UTF-16 file in UTF-16, every other line kept"
log "PASS"
